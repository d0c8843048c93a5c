// Global hot keys: the key table and the key-combination text.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "base/localization.h"
#include "ui/virtual_keys.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

TEST(VirtualKeys, TheTableHoldsEachClassInOrderAndTheFirstNameOfACodeWins) {
    ASSERT_EQ(VirtualKeyCount(), 170u);
    const VirtualKey* keys = VirtualKeyTable();
    std::map<int, int> perClass;
    std::map<unsigned, int> perCode;
    for (size_t i = 0; i < VirtualKeyCount(); ++i) {
        ++perClass[keys[i].keyClass];
        ++perCode[keys[i].code];
        if (i > 0) {
            EXPECT_LE(keys[i - 1].keyClass, keys[i].keyClass) << "class by class, at " << i;
        }
        EXPECT_EQ(std::wstring(keys[i].stringId).rfind(L"VK_", 0), 0u) << i;
        EXPECT_STRNE(Narrow(keys[i].displayName).c_str(), "") << i;
    }
    EXPECT_EQ(perClass[VirtualKey::kNeedsCtrlAltOrWin], 51);
    EXPECT_EQ(perClass[VirtualKey::kNeedsModifier], 38);
    EXPECT_EQ(perClass[VirtualKey::kAlone], 61);
    EXPECT_EQ(perClass[VirtualKey::kNever], 20);
    for (const auto& code : perCode)
        EXPECT_EQ(code.second, code.first == 0x15 || code.first == 0x19 ? 2 : 1) << "code " << code.first;

    EXPECT_STREQ(Narrow(FindVirtualKey(0x15)->stringId).c_str(), "VK_KANA");
    EXPECT_STREQ(Narrow(FindVirtualKey(0x19)->stringId).c_str(), "VK_HANJA");
    EXPECT_STREQ(Narrow(FindVirtualKey(0x5A)->stringId).c_str(), "VK_Z");
    EXPECT_STREQ(Narrow(FindVirtualKey(0x87)->displayName).c_str(), "F24");
    EXPECT_STREQ(Narrow(FindVirtualKey(0xDC)->displayName).c_str(), "\\");
    EXPECT_STREQ(Narrow(FindVirtualKey(0xF9)->displayName).c_str(), "Erase EOF");
    EXPECT_EQ(FindVirtualKey(0xFF), nullptr);
    EXPECT_EQ(FindVirtualKey(0x07), nullptr);
}

TEST(VirtualKeys, ValidityDependsOnTheKeysClass) {
    const UINT none = 0;
    struct Case {
        const char* what;
        UINT vkey;
        bool alone, shift, ctrl, alt, win;
    } cases[] = {
        {"letter A", 'A', false, false, true, true, true},
        {"digit 7", '7', false, false, true, true, true},
        {"PrintScreen", VK_SNAPSHOT, false, false, true, true, true},
        {"OEM 102", VK_OEM_102, false, false, true, true, true},
        {"Page Down", VK_NEXT, false, true, true, true, true},
        {"Backspace", VK_BACK, false, true, true, true, true},
        {"numpad /", VK_DIVIDE, false, true, true, true, true},
        {"F5", VK_F5, true, true, true, true, true},
        {"volume up", VK_VOLUME_UP, true, true, true, true, true},
        {"IME mode change", VK_MODECHANGE, true, true, true, true, true},
        {"CTRL", VK_CONTROL, false, false, false, false, false},
        {"left Windows key", VK_LWIN, false, false, false, false, false},
        {"left mouse button", VK_LBUTTON, false, false, false, false, false},
        {"Num Lock", VK_NUMLOCK, false, false, false, false, false},
        {"a code the table lacks", 0xFF, true, true, true, true, true},
        {"key 0", 0, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidHotKey(none, c.vkey), c.alone) << c.what << " alone";
        EXPECT_EQ(IsValidHotKey(MOD_SHIFT, c.vkey), c.shift) << c.what << " with SHIFT";
        EXPECT_EQ(IsValidHotKey(MOD_CONTROL, c.vkey), c.ctrl) << c.what << " with CTRL";
        EXPECT_EQ(IsValidHotKey(MOD_ALT, c.vkey), c.alt) << c.what << " with ALT";
        EXPECT_EQ(IsValidHotKey(MOD_WIN, c.vkey), c.win) << c.what << " with WIN";
        EXPECT_EQ(IsValidHotKey(MOD_SHIFT | MOD_WIN, c.vkey), c.win) << c.what << " with SHIFT and WIN";
    }
    // An invalid combination has no text, a valid one always has some.
    for (size_t i = 0; i < VirtualKeyCount(); ++i) {
        const VirtualKey& key = VirtualKeyTable()[i];
        for (UINT modifiers : {0u, 1u, 2u, 4u, 8u, 15u})
            EXPECT_EQ(FormatHotKey(MakeHotKeyValue(modifiers, key.code)).empty(), !IsValidHotKey(modifiers, key.code))
                << Narrow(key.stringId) << " with " << modifiers;
    }
}

TEST(VirtualKeys, TheCombinationTextInTheShippedLanguages) {
    ASSERT_TRUE(LoadStringMaps());
    for (unsigned short language : {1033, 2052}) {
        SelectLanguage(language);
        ASSERT_EQ(GetSelectedLangId(), language);
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_WIN, 33)), L"WIN+PAGE UP") << language;
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_WIN, VK_NEXT)), L"WIN+PAGE DOWN");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL | MOD_ALT, 0x41)), L"CTRL+ALT+A");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, 255)), L"CTRL+#255");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_SHIFT | MOD_WIN | MOD_ALT | MOD_CONTROL, VK_F5)),
                  L"CTRL+ALT+WIN+SHIFT+F5");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(0, VK_F5)), L"F5");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_SHIFT, 'A')), L"");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, VK_CONTROL)), L"");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(0, 0x15)), L"KANA");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(0, 0x19)), L"HANJA");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_ALT, VK_SNAPSHOT)), L"ALT+PrintScreen");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, VK_OEM_5)), L"CTRL+\\");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_SHIFT, VK_ESCAPE)), L"SHIFT+ESC");
        EXPECT_EQ(FormatHotKey(MakeHotKeyValue(0, VK_EREOF)), L"Erase EOF");
    }
}

TEST(VirtualKeys, AStringMapMayNameKeysByConstantOrByNumber) {
    ASSERT_TRUE(LoadStringMaps());
    ASSERT_TRUE(StringMap::Instance().AddDocument(
        "<?xml version='1.0' encoding='UTF-8' ?><Language><Name>Keys</Name><LangId>1031</LangId>"
        "<String id='VK_NEXT'>Bild ab</String><String id='VK_#65'>Taste A</String>"
        "<String id='VK_#255'>Taste 255</String><String id='VK_#34'>not used: the constant's name comes first</String>"
        "</Language>"));
    SelectLanguage(1031);
    EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_WIN, VK_NEXT)), L"WIN+Bild ab");
    EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, 'A')), L"CTRL+Taste A");
    EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, 255)), L"CTRL+Taste 255");
    EXPECT_EQ(FormatHotKey(MakeHotKeyValue(MOD_CONTROL, 254)), L"CTRL+CLEAR") << "the display name is the last resort";
    SelectLanguage(1033);
}
