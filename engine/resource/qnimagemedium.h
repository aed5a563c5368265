#pragma once
// Reads an image medium (DDS) from the media archive or the disk into ARGB pixels.

#include "platform/dds.h"

/// True with the top level of `medium`; false when it is missing, unreadable or not a DDS image.
bool QNReadImageMedium(const char* medium, DdsImage* image);
