// Prints the version record and the icon sizes that Windows reads from this
// executable, which is linked with the program's resource script
// (packaging/windows/quorvane.rc.in): scripts/windows-core-check.sh builds
// it with mingw-w64, runs it under wine and compares the lines it prints.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string narrow(const wchar_t* text) {
  std::string out;
  for (; *text != L'\0'; ++text) {
    out += *text < 0x80 ? static_cast<char>(*text) : '?';
  }
  return out;
}

#pragma pack(push, 2)
struct IconGroupEntry {  // GRPICONDIRENTRY
  BYTE width;
  BYTE height;
  BYTE colorCount;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytesInRes;
  WORD id;
};
struct IconGroup {  // GRPICONDIR
  WORD reserved;
  WORD type;
  WORD count;
  IconGroupEntry entries[1];
};
#pragma pack(pop)

}  // namespace

int main() {
  wchar_t path[MAX_PATH];
  if (GetModuleFileNameW(nullptr, path, MAX_PATH) == 0) return 1;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size == 0) {
    std::printf("no version record\n");
    return 1;
  }
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path, 0, size, data.data())) return 1;

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) return 1;
  std::printf("FILEVERSION %d,%d,%d,%d\n", HIWORD(fixed->dwFileVersionMS),
              LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
              LOWORD(fixed->dwFileVersionLS));
  std::printf("PRODUCTVERSION %d,%d,%d,%d\n", HIWORD(fixed->dwProductVersionMS),
              LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
              LOWORD(fixed->dwProductVersionLS));

  struct Translation {
    WORD language;
    WORD codePage;
  }* translation = nullptr;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof *translation) {
    std::printf("no translation\n");
    return 1;
  }
  std::printf("Translation %04x %u\n", translation->language, translation->codePage);
  for (const wchar_t* name : {L"FileVersion", L"ProductVersion", L"ProductName", L"FileDescription",
                              L"CompanyName", L"OriginalFilename"}) {
    wchar_t query[128];
    std::swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language,
                  translation->codePage, name);
    wchar_t* value = nullptr;
    if (VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&value), &length)) {
      std::printf("%s \"%s\"\n", narrow(name).c_str(), narrow(value).c_str());
    } else {
      std::printf("%s missing\n", narrow(name).c_str());
    }
  }

  // The first icon group: the icon Explorer and the task bar show.
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  if (found == nullptr) {
    std::printf("no icon\n");
    return 1;
  }
  const auto* group = static_cast<const IconGroup*>(LockResource(LoadResource(nullptr, found)));
  std::printf("icon");
  for (WORD i = 0; i < group->count; ++i) {
    const IconGroupEntry& entry = group->entries[i];
    std::printf(" %dx%d", entry.width == 0 ? 256 : entry.width,
                entry.height == 0 ? 256 : entry.height);
  }
  std::printf("\n");
  return 0;
}
