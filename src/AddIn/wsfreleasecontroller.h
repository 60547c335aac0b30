#pragma once

#include "tarvo/addin.h"

// The program's one exported function: releases an interface once, for modules that hand the
// program a reference to drop.
extern "C" __attribute__((visibility("default"))) void WSF_ReleaseContoller(tarvo::IUnknown* object);
