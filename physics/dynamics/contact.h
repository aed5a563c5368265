#pragma once
/// Contacts and contact groups. A contact (type 4) carries a point, a normal from body 1
/// towards body 0, a penetration depth and its parameters. The contacts of one touching pair
/// live in a contact group (type 5), the only one of them enabled in the world; its row
/// builder builds the rows of all its contacts.

#include "physics/dynamics/constraint.h"

/// Default contact importance: contacts ranked by penetration (most penetrating most
/// important), contacts against the static world above all others. Returns the count.
int MdtContactGroupPrioritize(MdtConstraint* group);
