#define KV_LANES 4
#define KV_SPAN_ENTRY vectorSpanSse2
#include "span_kernel.inl"
