#pragma once
// A draw unit for walk tests: it logs every virtual call with its name,
// reports a fixed box and answers with the class name it is given.
#include "units/CKxDrawUnit.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace velmor::test {

class RecordingUnit : public CKxDrawUnit {
public:
    RecordingUnit(DrawGroup* owner, std::vector<std::string>& log, std::string name,
                  std::wstring className = L"CKxDrawUPrimitive")
        : CKxDrawUnit(owner), log_(log), name_(std::move(name)), className_(std::move(className))
    {
    }
    ~RecordingUnit() override { log_.push_back("Delete " + name_); }

    void Load() override { log_.push_back("Load " + name_); }
    void Release() override { log_.push_back("Release " + name_); }
    void Draw(int pass) override
    {
        log_.push_back("Draw" + std::to_string(pass) + " " + name_);
        if (onDraw)
            onDraw(*this, pass);
    }
    void FreeWork() override { log_.push_back("FreeWork " + name_); }
    bool FreeGLBuffers() override
    {
        log_.push_back("FreeGLBuffers " + name_);
        const bool freed = glBuffers > 0;
        glBuffers -= freed ? 1 : 0;
        return freed;
    }
    void GetBounds(double minimum[3], double maximum[3]) override
    {
        if (!hasBox)
            return;
        for (int i = 0; i < 3; ++i) {
            minimum[i] = low[i] * lengthFactor;
            maximum[i] = high[i] * lengthFactor;
        }
    }
    std::wstring& GetClassName(std::wstring& name) override { return name = className_; }
    // The kind of the class it stands in for.
    UnitKind Kind() const override
    {
        static const std::pair<const wchar_t*, UnitKind> kKinds[] = {
            {L"CKxDrawUSTL", UnitKind::kStl},         {L"CKxDrawUTriIndex", UnitKind::kTriIndex},
            {L"CKxDrawUSurfaceR", UnitKind::kSurface}, {L"CKxDrawUVolumeR", UnitKind::kVolume},
            {L"CKxDrawUPointCloud", UnitKind::kPointCloud}, {L"CKxDrawUScatterGraph", UnitKind::kScatterGraph},
        };
        for (const auto& [name, kind] : kKinds)
            if (className_ == name) return kind;
        return UnitKind::kPrimitive;
    }

    bool hasBox = true;
    double low[3] = {0, 0, 0};
    double high[3] = {0, 0, 0};
    int glBuffers = 0;
    std::function<void(RecordingUnit&, int pass)> onDraw;

private:
    std::vector<std::string>& log_;
    std::string name_;
    std::wstring className_;
};

} // namespace velmor::test
