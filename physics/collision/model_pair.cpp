#include "physics/collision/model_pair.h"

#include <utility>

#include "physics/collision/model.h"

void McdModelPairInit(McdModelPair* pair, McdModelID model1, McdModelID model2)
{
    *pair = McdModelPair{};
    pair->model1 = model1;
    pair->model2 = model2;
    pair->request = McdFrameworkGetDefaultRequest(model1->framework);
}

void McdModelPairGetModels(McdModelPair* pair, McdModelID* model1, McdModelID* model2)
{
    *model1 = pair->model1;
    *model2 = pair->model2;
}

void McdHello(McdModelPair* pair)
{
    McdFramework* framework = pair->model1->framework;
    if (framework->helloHook)
        framework->helloHook(pair);
    int mirrored = 0;
    pair->interaction = McdFrameworkGetInteraction(pair, &mirrored);
    if (mirrored == 1)
        std::swap(pair->model1, pair->model2);
    if (pair->interaction && pair->interaction->hello)
        pair->interaction->hello(pair);
}

int McdIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    result->pair = pair;
    if (!pair->interaction || !pair->interaction->intersect) {
        result->contactCount = 0;
        result->touch = 0;
        return 0;
    }
    result->touch = pair->interaction->intersect(pair, result);
    return 1;
}

void McdGoodbye(McdModelPair* pair)
{
    if (pair->interaction && pair->interaction->goodbye)
        pair->interaction->goodbye(pair);
}
