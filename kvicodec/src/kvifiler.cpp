#include <kvicodec/kvidecoder.h>

uint32_t CKVIFILER::OpenFile(const char*) { return 0; }
uint32_t CKVIFILER::ReadFile(void*, uint32_t) { return 0; }
uint32_t CKVIFILER::CloseFile() { return 0; }
