#include "physics/dynamics/me_stack.h"

#include "physics/dynamics/me_memory.h"

MeStack* MeStackCreate(int capacity)
{
    if (capacity < 0)
        return nullptr;
    MeStack* stack = static_cast<MeStack*>(MeMemoryAPI.create(sizeof(MeStack)));
    if (!stack)
        return nullptr;
    int* buffer = static_cast<int*>(MeMemoryAPI.create(sizeof(int) * static_cast<unsigned>(capacity > 0 ? capacity : 1)));
    if (!buffer) {
        MeMemoryAPI.destroy(stack);
        return nullptr;
    }
    MeStackInit(stack, buffer, capacity);
    return stack;
}

void MeStackInit(MeStack* stack, int* buffer, int capacity)
{
    stack->buffer = buffer;
    stack->capacity = capacity;
    MeFixedPoolResetCursor(stack);
}

void MeFixedPoolResetCursor(MeStack* stack)
{
    stack->count0 = stack->count1 = 0;
    stack->mark[0] = stack->mark[1] = stack->mark[2] = stack->capacity;
}

void MeFreeRecordAndBuffer(MeStack* stack)
{
    if (!stack)
        return;
    MeMemoryAPI.destroy(stack->buffer);
    MeMemoryAPI.destroy(stack);
}
