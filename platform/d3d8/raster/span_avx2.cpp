// Built with -mavx2 and called only on processors that have it.
#define KV_LANES 8
#define KV_SPAN_ENTRY vectorSpanAvx2
#include "span_kernel.inl"
