#include "engine/render/qnmaterial.h"

namespace {
bool g_sendAll = true;
}

void MarkCachesSendAll() { g_sendAll = true; }
