#include "physics/dynamics/contact.h"

#include "physics/dynamics/world.h"

#include <algorithm>

int MdtContactGroupPrioritize(MdtConstraint* group)
{
    MdtContactGroupData& g = group->group;
    const int n = g.count;
    if (n <= 0)
        return 0;
    MdtConstraint** sorted = group->world->stepScratch.groupContacts;
    int count = 0;
    for (MdtConstraint* c = g.first; c && count < group->world->maxConstraints; c = c->contact.next)
        sorted[count++] = c;
    std::stable_sort(sorted, sorted + count, [](const MdtConstraint* a, const MdtConstraint* b) {
        return a->contact.penetration > b->contact.penetration;
    });
    const MeReal step = 100.0f / static_cast<MeReal>(n);
    const MeReal bonus = (group->body[0] && group->body[1]) ? 0.0f : 100.0f;
    for (int i = 0; i < count; ++i)
        sorted[i]->contact.importance = static_cast<MeReal>(n - i) * step + bonus;
    return n;
}
