// Where the dialogues get their record nodes.
#include <cstdlib>

#include "hospital.h"

namespace {
void* AllocZeroed(std::size_t size) { return std::calloc(1, size); }
}  // namespace

void* (*gp_alloc_node)(std::size_t size) = AllocZeroed;
