#pragma once
// The histogram part that the surface and volume dialogs share: the bars of
// the unit's voxel values with a magnification, the data range under them,
// and two threshold lines that follow the lower and upper edits and that the
// mouse drags. Nothing reaches the unit from here; the dialogs' Apply reads
// the edits.
#include "dialogs/UnitDialogFrame.h"
#include "dialogs/UnitHistogram.h"

#include <QHash>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;

namespace velmor {

class DataObject;

// The histogram area: paints the picture it is given, bars from the bottom.
// Mouse input passes through to the dialog, which does the hit tests.
class HistogramView final : public QWidget {
public:
    HistogramView(QWidget* parent, int width, int height);
    void SetPicture(HistogramPicture picture, bool withUnit);
    const HistogramPicture& Picture() const { return picture_; }
    bool ShowsUnit() const { return withUnit_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    HistogramPicture picture_;
    bool withUnit_ = false;
};

struct HistogramControlIds {
    int histogram, minimumLabel, maximumLabel, magnification, lower, upper;
};

class ThresholdHistogramDialog : public UnitDialogFrame {
public:
    static constexpr int kHistogramWidth = 256;
    static constexpr int kHistogramHeight = 128;

    explicit ThresholdHistogramDialog(const HistogramControlIds& ids);

    void DrawHistogram();
    // Mouse at dialog client x: hovering picks the line in reach, dragging
    // moves the picked one.
    void TrackLimitDrag(int x, int y);
    float LowerValue() const;
    float UpperValue() const;
    // Writes the pair "%d" into the edits.
    void WriteLimits(int32_t lower, int32_t upper);
    // Fills `edit` with a unit's value as the dialog shows it.
    void ShowText(QLineEdit* edit, const QString& text);
    // Whether `edit` still holds the text ShowText put there: the text is
    // rounded, and reading it back would change a value nobody edited.
    bool Untouched(const QLineEdit* edit) const;

    // 0 while the program rewrites the cut-section controls.
    uint8_t refreshReady = 0;
    float dataMinimum = 0.0f;
    float dataMaximum = 255.0f;
    uint8_t dragging = 0;
    float dragStartLower = 0.0f;
    float dragStartUpper = 0.0f;
    int32_t pressX = 0;
    int32_t dragTarget = 0;

protected:
    // The controls are built with the object.
    void BuildControls() override {}
    // The data whose histogram is shown; null while no unit is set.
    virtual const DataObject* HistogramData() const = 0;
    // Fills the range labels from the data.
    void ShowDataRange(const DataObject& data);
    void ReleaseDrag();

    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    HistogramView* histogram_;
    QComboBox* magnification_;
    QLabel* minimumLabel_;
    QLabel* maximumLabel_;
    QLineEdit* lowerEdit_;
    QLineEdit* upperEdit_;
    QWidget* histogramRow_;   // the histogram with its labels and magnification

private:
    int HistogramLeft() const;

    QHash<const QLineEdit*, QString> shownTexts_;
};

} // namespace velmor
