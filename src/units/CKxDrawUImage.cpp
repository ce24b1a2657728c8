#include "units/CKxDrawUImage.h"

#include "render/RenderSettings.h"
#include "scene/DataObject.h"
#include "units/ImageShapes.h"
#include "units/UnitBox.h"

namespace velmor {
namespace {

// The picture's payload and its texture.
LoadStatus LoadPicture(DataObject& data, ColorLut& lut, CKxDrawUnit* unit)
{
    if (const LoadStatus code = data.AcquireData(unit); code != kLoaded)
        return code;
    lut.ChooseSize(data, PictureUnitGL.nonPowerOfTwoTextures);
    const bool made = PictureUnitGL.createTexture != nullptr && PictureUnitGL.createTexture(lut);
    return made ? kLoaded : kLoadMemoryShortage;
}

} // namespace

CKxDrawUImage::CKxDrawUImage(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"Image"; }

void CKxDrawUImage::Load()
{
    const LoadStatus code = LoadPictures();
    if (code != kLoaded) {
        ReportLoadFailure(code == kLoadReadFailure ? L"file read error" : L"memory error");
        Release();
        valid = false;
        return;
    }
    texMaxS = static_cast<float>(imageLut.imageWidth) / static_cast<float>(imageLut.textureWidth);
    texMaxT = static_cast<float>(imageLut.imageHeight) / static_cast<float>(imageLut.textureHeight);
    valid = true;
}

// An image element that names no picture has nothing to show; it is
// refused like a picture that cannot be read.
LoadStatus CKxDrawUImage::LoadPictures()
{
    if (imageData == nullptr)
        return kLoadReadFailure;
    LoadStatus code = LoadPicture(*imageData, imageLut, this);
    if (code == kLoaded && selectedImageData != nullptr)
        code = LoadPicture(*selectedImageData, selectedLut, this);
    if (code != kLoaded || shape == L"sphere")
        return code;
    // A texture exists only for a picture with pixels.
    return ImageHalfExtents(imageLut.imageWidth, imageLut.imageHeight, size, halfWidth, halfHeight) ? kLoaded
                                                                                                       : kLoadReadFailure;
}

void CKxDrawUImage::Release()
{
    if (imageData != nullptr)
        imageData->ReleaseData(this);
    if (selectedImageData != nullptr)
        selectedImageData->ReleaseData(this);
    imageLut.Delete();
    selectedLut.Delete();
}

bool CKxDrawUImage::IsTransparent() const
{
    return !IsOpaque() || (imageData != nullptr && imageData->components == 4);
}

UnitPassWork CKxDrawUImage::PassWork(int pass) const
{
    return ChoosePassWork(pass, !hidden && valid, IsTransparent());
}

void CKxDrawUImage::Draw(int pass)
{
    const UnitPassWork work = PassWork(pass);
    if (work != UnitPassWork::Nothing && PictureUnitGL.drawImage != nullptr)
        PictureUnitGL.drawImage(*this, work);
}

void CKxDrawUImage::GetBounds(double minimum[3], double maximum[3])
{
    WriteCentredBox(position, size / 2.0, lengthFactor, minimum, maximum);
}

} // namespace velmor
