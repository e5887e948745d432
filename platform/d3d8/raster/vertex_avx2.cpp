// Built with -mavx2 and called only on processors that have it.
#define KV_LANES 8
#define KV_VERTEX_ENTRY vectorVerticesAvx2
#include "vertex_kernel.inl"
