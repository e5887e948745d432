// pkg-config: kvplatform
#include <platform/gdi.h>
#include <platform/time.h>

int main() {
    HBITMAP bitmap = CreateBitmap(3, 2, 1, 32, nullptr);
    const bool ok = bitmap && bitmap->stride == 12;
    (void)GetTickCount();
    DeleteObject(bitmap);
    return ok ? 0 : 1;
}
