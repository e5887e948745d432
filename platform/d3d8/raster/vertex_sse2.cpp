#define KV_LANES 4
#define KV_VERTEX_ENTRY vectorVerticesSse2
#include "vertex_kernel.inl"
