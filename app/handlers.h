#pragma once

#include <span>

#include "toolkit/model/registry.h"

namespace xy {
std::span<const NamedHandler> programHandlers();
}
