#include <kvicodec/kvicoder.h>

uint32_t CKVICODER::Reset() { return 0; }
uint32_t CKVICODER::AddCoder(uint32_t) { return 0; }
uint32_t CKVICODER::CheckColorDesc(char*, uint32_t) { return 0; }
uint32_t CKVICODER::ChangeColorTheme(uint32_t, uint32_t) { return 0; }
uint32_t CKVICODER::CompressImage(const void*) { return 0; }
uint32_t CKVICODER::WriteHeader() { return 0; }
uint32_t CKVICODER::WriteData() { return 0; }
uint32_t CKVICODER::Compress_ModeA1() { return 0; }
uint32_t CKVICODER::Compress_ModeA1E() { return 0; }
uint32_t CKVICODER::Compress_ModeA2() { return 0; }
uint32_t CKVICODER::Compress_ModeA2E() { return 0; }
uint32_t CKVICODER::Compress_ModeA3() { return 0; }
uint32_t CKVICODER::Compress_ModeA3E() { return 0; }
uint32_t CKVICODER::Compress_ModeB1() { return 0; }
unsigned int KVICODER_GetVersion(void) { return 1; }
