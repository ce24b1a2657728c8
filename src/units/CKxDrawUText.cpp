#include "units/CKxDrawUText.h"

#include "units/UnitBox.h"

namespace velmor {

CKxDrawUText::CKxDrawUText(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"Text"; }

CKxDrawUText::~CKxDrawUText() { CKxDrawUText::Release(); }

void CKxDrawUText::Load()
{
    Release();   // a second load must not leave the first lists behind
    logFont = MakeTextFont(fontSize, bold, italic, fontName);
    if (PlainUnitGL.loadText != nullptr)
        PlainUnitGL.loadText(*this);
}

void CKxDrawUText::Release()
{
    if (listCount > 0 && PlainUnitGL.releaseText != nullptr)
        PlainUnitGL.releaseText(*this);
    listBase = listCount = 0;
}

void CKxDrawUText::Draw(int pass)
{
    if (PlainUnitGL.drawText != nullptr)
        PlainUnitGL.drawText(*this, pass);
}

void CKxDrawUText::GetBounds(double minimum[3], double maximum[3])
{
    if (mode != 3)
        WriteUnitBox(coordinate, coordinate, lengthFactor, minimum, maximum);
}

} // namespace velmor
