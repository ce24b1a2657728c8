#pragma once
// The strip under the picture that holds the caption, the view buttons and
// the friend text. It is painted in the view's background colour.
#include <QWidget>

#include <cstdint>

namespace velmor {

class ViewBar : public QWidget {
public:
    static constexpr int kHeight = 50;

    explicit ViewBar(QWidget* parent);
    // A COLORREF: red in the low byte, then green and blue.
    void SetBackgroundColor(uint32_t colorRef);
    uint32_t BackgroundColor() const { return backgroundColor_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t backgroundColor_ = 0;
};

} // namespace velmor
