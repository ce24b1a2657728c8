#pragma once
// Text of the scene element "text", drawn from font display lists.
#include "units/CKxDrawUnit.h"
#include "units/PlainUnitDrawing.h"

#include <cstdint>
#include <string>

namespace velmor {

class CKxDrawUText : public CKxDrawUnit {
public:
    explicit CKxDrawUText(DrawGroup* owner);
    ~CKxDrawUText() override;
    CKxDrawUText(const CKxDrawUText&) = delete;
    CKxDrawUText& operator=(const CKxDrawUText&) = delete;
    // Builds one display list per character of the text.
    void Load() override;
    void Release() override;
    void Draw(int pass) override;
    // The text's point; a text fixed on the screen (mode 3) has no extent.
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUText"; }
    UnitKind Kind() const override { return UnitKind::kText; }

    uint8_t mode = 0;   // 0 facing, 1 facingScale, 2 rotScale, 3 fix
    float fontSize = kDefaultFontHeight;
    float textScale = 0.5f;
    float coordinate[3] = {0, 0, 0};
    float fixPoint[3] = {0, 0, 0.5f};
    float rot[4] = {0, 1, 0, 0};
    std::wstring fontName = L"ＭＳ ゴシック";
    bool italic = false;
    bool bold = false;
    std::wstring text;
    float extrusion = 0.01f;   // depth of outline glyphs
    TextFont logFont;   // built by Load
    uint32_t listBase = 0;
    uint32_t listCount = 0;
};

} // namespace velmor
