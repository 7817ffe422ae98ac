// What Windows shows on the Details page of gen_songbeam.dll's properties:
// the version resource, read back through the version library as Explorer
// reads it. The resource sits beside the dialog template and must leave it,
// and the export, as they were.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standin/standin.h"

namespace {

std::vector<char> VersionBlock(void) {
    std::string path = StandinPluginPath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data()))
        block.clear();
    return block;
}

// One string of the English (United States), code page 1252 table, or
// "<missing>".
std::string VersionString(std::vector<char> &block, const char *name) {
    std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
    char *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void **>(&value), &length) || !value)
        return "<missing>";
    return std::string(value);
}

}  // namespace

TEST(VersionResource, FixedPartSaysVersion01OfADll) {
    std::vector<char> block = VersionBlock();
    ASSERT_FALSE(block.empty()) << "no version resource";
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void **>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(0x00000001u, fixed->dwFileVersionMS) << "file version 0.1";
    EXPECT_EQ(0x00000000u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00000001u, fixed->dwProductVersionMS) << "product version 0.1";
    EXPECT_EQ(0x00000000u, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);
    EXPECT_EQ(0u, fixed->dwFileFlags & fixed->dwFileFlagsMask) << "neither debug nor pre-release";
}

TEST(VersionResource, TextsAreEnglishUnitedStatesInCodePage1252) {
    std::vector<char> block = VersionBlock();
    ASSERT_FALSE(block.empty());
    WORD *translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void **>(&translation), &length));
    ASSERT_EQ(4u, length) << "exactly one language";
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(1252, translation[1]);

    EXPECT_EQ("Songbeam!", VersionString(block, "ProductName"));
    EXPECT_EQ("0.1", VersionString(block, "ProductVersion"));
    EXPECT_EQ("0.1", VersionString(block, "FileVersion"));
    EXPECT_EQ("Songbeam! now-playing plug-in for Winamp", VersionString(block, "FileDescription"));
    EXPECT_EQ("gen_songbeam.dll", VersionString(block, "OriginalFilename"));
    EXPECT_EQ("gen_songbeam", VersionString(block, "InternalName"));
    EXPECT_EQ("the Songbeam! team", VersionString(block, "CompanyName"));
    EXPECT_EQ("Copyright (c) 2026 the Songbeam! team. MIT licence.", VersionString(block, "LegalCopyright"));
}

TEST(VersionResource, LeavesTheDialogTemplateAndTheExportInPlace) {
    HMODULE data = LoadLibraryExA(StandinPluginPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, data);
    EXPECT_NE(nullptr, FindResourceExA(data, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(101),
                                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)))
        << "dialog template 101, English (United States)";
    EXPECT_NE(nullptr, FindResourceExA(data, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1),
                                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)))
        << "version resource 1, English (United States)";
    FreeLibrary(data);

    HMODULE module = LoadLibraryA(StandinPluginPath().c_str());
    ASSERT_NE(nullptr, module);
    EXPECT_NE(nullptr, reinterpret_cast<void *>(GetProcAddress(module, "winampGetGeneralPurposePlugin")));
    FreeLibrary(module);
}
