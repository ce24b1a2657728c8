#include "dialogs/UnitHistogram.h"

#include "export/ExportMessages.h"
#include "export/SaveJob.h"
#include "platform/AtomicFile.h"
#include "platform/MessageSink.h"
#include "platform/NumberParse.h"
#include "scene/DataObject.h"
#include "platform/WideText.h"

#include <cstdio>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace velmor {

int HistogramBinOfColumn(int column, int width)
{
    if (width <= 0) return 0;
    return std::clamp(static_cast<int>(column * 256.0 / width), 0, 255);
}

float HistogramBarScale(int height, float magnification, float peakCount)
{
    // The data object keeps its peak at 1 or more; a record that never had
    // a histogram must not make every bar infinite.
    const float peak = peakCount >= 1.0f ? peakCount : 1.0f;
    return static_cast<float>(height) * magnification / peak;
}

float MagnificationOfText(const std::wstring& text)
{
    if (text.size() <= 3) return 0.0f;
    return NarrowToFloat(ParseLeadingDouble(std::wstring_view(text).substr(3)));
}

double ThresholdLineX(double value, float dataMin, float dataMax, int width)
{
    const double range = static_cast<double>(dataMax) - dataMin;
    if (range == 0.0 || !std::isfinite(range)) return 0.0;
    return (value - dataMin) * width / range;
}

int PickThresholdLine(int x, int origin, double lower, double upper, float dataMin, float dataMax, int width)
{
    const double lowerX = ThresholdLineX(lower, dataMin, dataMax, width) + origin;
    const double upperX = ThresholdLineX(upper, dataMin, dataMax, width) + origin;
    if (std::fabs(x - lowerX) < kLineGrabDistance) return 1;
    if (std::fabs(x - upperX) < kLineGrabDistance) return 2;
    return 0;
}

float DraggedThreshold(float startValue, int x, int pressX, int width, float dataMin, float dataMax)
{
    float value = startValue;
    if (width > 0) value += static_cast<float>(x - pressX) / static_cast<float>(width) * (dataMax - dataMin);
    value = std::min(value, dataMax);
    value = std::max(value, dataMin);
    return value;
}

bool OrderThresholds(int32_t& lower, int32_t& upper)
{
    if (lower <= upper) return false;
    std::swap(lower, upper);
    return true;
}

HistogramPicture ComputeHistogramPicture(const uint64_t* bins, int width, int height, float magnification,
                                         float peakCount, double lower, double upper, float dataMin, float dataMax)
{
    HistogramPicture picture;
    const float scale = HistogramBarScale(height, magnification, peakCount);
    if (width > 0) picture.barHeights.assign(static_cast<size_t>(width), 0.0);
    for (int i = 0; bins != nullptr && i < width; ++i)
        picture.barHeights[static_cast<size_t>(i)] = static_cast<double>(bins[HistogramBinOfColumn(i, width)]) * scale;
    picture.lowerX = ThresholdLineX(lower, dataMin, dataMax, width);
    picture.upperX = ThresholdLineX(upper, dataMin, dataMax, width);
    return picture;
}

bool WriteHistogramCsv(const DataObject& data, const std::wstring& path)
{
    const bool bytes = data.bytesPerComponent == 1;
    const uint64_t* table = bytes ? data.histogram256.get() : data.histogram65536.get();
    const int64_t entries = bytes ? 256 : 65536;
    // Digits and commas only, so the bytes are the same in every multibyte
    // code page.
    AtomicFile file;
    if (!file.Create(PathFromWide(path), AtomicFile::Naming::ByUser)) return false;
    const auto first = static_cast<int64_t>(std::trunc(data.minValue));
    const auto last = static_cast<int64_t>(std::trunc(data.maxValue));
    // Only values the table holds: a stored range beyond it (data without a
    // histogram, or damaged bounds) must not read past its end.
    for (int64_t v = std::max<int64_t>(first, 0); table != nullptr && v <= last && v < entries; ++v)
        file.Write(std::to_string(v) + "," + std::to_string(table[v]) + "\r\n");
    return file.Commit();
}

void SaveHistogramCsv(const DataObject& data, const std::wstring& path)
{
    if (!SaveJob::Run([&] { return WriteHistogramCsv(data, path); })) ShowMessage(kFileWriteError);
}

} // namespace velmor
