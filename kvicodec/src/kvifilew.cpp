#include <kvicodec/kvicoder.h>

uint32_t CKVIFILEW::CreateFileA(const char*) { return 0; }
uint32_t CKVIFILEW::WriteFile(const void*, uint32_t) { return 0; }
uint32_t CKVIFILEW::WriteFile(uint32_t, uint32_t) { return 0; }
uint32_t CKVIFILEW::CloseFile() { return 0; }
