#pragma once
// The arithmetic of the histogram views of the surface and volume dialogs:
// bar heights, where the two threshold lines stand, which line the mouse
// grabs and where a drag puts it. No GL and no Qt, so that it is tested on
// its own.
#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

class DataObject;

// Grab distance of a threshold line, in pixels.
constexpr int kLineGrabDistance = 10;

// Column k of a histogram `width` pixels wide shows bin k x 256 / width.
int HistogramBinOfColumn(int column, int width);

// Pixels per count: the height times the magnification over the peak count.
float HistogramBarScale(int height, float magnification, float peakCount);

// The magnification of a " x 10"-style list text: the number after its first
// three characters.
float MagnificationOfText(const std::wstring& text);

// x of a threshold at `value` over [dataMin, dataMax] on `width` pixels. A
// constant volume (empty range) puts every line at 0 instead of dividing by
// zero.
double ThresholdLineX(double value, float dataMin, float dataMax, int width);

// Which line the mouse at `x` grabs (0 none, 1 lower, 2 upper); the lines
// stand `origin` pixels right of the coordinates' origin. The lower line wins
// when both are in reach; a line exactly kLineGrabDistance away is not.
int PickThresholdLine(int x, int origin, double lower, double upper, float dataMin, float dataMax, int width);

// The dragged line's value: its value at the press moved by the mouse's way
// since the press, kept inside the data range.
float DraggedThreshold(float startValue, int x, int pressX, int width, float dataMin, float dataMax);

// Puts a threshold pair in order; true when it swapped them.
bool OrderThresholds(int32_t& lower, int32_t& upper);

// What a histogram view shows: one bar per pixel column (its height in
// pixels, not cut off) and the two lines' x.
struct HistogramPicture {
    std::vector<double> barHeights;
    double lowerX = 0;
    double upperX = 0;
};
HistogramPicture ComputeHistogramPicture(const uint64_t* bins, int width, int height, float magnification,
                                         float peakCount, double lower, double upper, float dataMin, float dataMax);

// The histogram CSV of a data object: one "value,count" line per stored
// value from its lowest to its highest, over the 256-entry table for 1-byte
// data and the 65,536-entry one otherwise. False when the file cannot be
// written; values without a table entry are not written.
bool WriteHistogramCsv(const DataObject& data, const std::wstring& path);
// Writes it as a save job (export/SaveJob.h), and tells the user when it
// could not be written.
void SaveHistogramCsv(const DataObject& data, const std::wstring& path);

} // namespace velmor
