// Links every installed library found through its CMake package.
int main() { return 0; }
