// The editor's bitmaps from the module's BITMAP resources (resources.rc).
// A BITMAP resource is a bitmap file without its 14-byte file header; we put
// the header back so the one decoder serves every platform.
#include <windows.h>

#include <cstring>
#include <map>
#include <vector>

#include "toolkit/bitmapresources.h"
#include "toolkit/win32/win32window.h"

namespace {

// Rebuilt files by id, kept for the life of the module: callers hold the
// pointers we hand out.
std::map<int, std::vector<unsigned char>>& files() {
    static std::map<int, std::vector<unsigned char>> cache;
    return cache;
}

size_t paletteBytes(const BITMAPINFOHEADER& h) {
    size_t entries = h.biClrUsed;
    if (entries == 0 && h.biBitCount <= 8)
        entries = size_t(1) << h.biBitCount;
    size_t bytes = entries * sizeof(RGBQUAD);
    if (h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER))
        bytes += 3 * sizeof(DWORD);
    return bytes;
}

}  // namespace

bool findBitmapResource(int id, BitmapResource* out) {
    auto& cache = files();
    auto found = cache.find(id);
    if (found == cache.end()) {
        HMODULE module = Win32Window::module();
        HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_BITMAP));
        HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
        const void* data = loaded ? LockResource(loaded) : nullptr;
        const DWORD size = info ? SizeofResource(module, info) : 0;
        if (!data || size < sizeof(BITMAPINFOHEADER))
            return false;
        BITMAPINFOHEADER header;
        std::memcpy(&header, data, sizeof header);
        if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size)
            return false;

        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;  // "BM"
        file.bfSize = DWORD(sizeof file + size);
        file.bfOffBits = DWORD(sizeof file + header.biSize + paletteBytes(header));
        std::vector<unsigned char> bytes(sizeof file + size);
        std::memcpy(bytes.data(), &file, sizeof file);
        std::memcpy(bytes.data() + sizeof file, data, size);
        found = cache.emplace(id, std::move(bytes)).first;
    }
    out->data = found->second.data();
    out->size = found->second.size();
    return true;
}
