#pragma once
// A static text with its own font, text colour and background colour. Owners
// set the public fields and call CreateLabelFont or UpdateBrush after a change.
#include <QColor>
#include <QLabel>
#include <QString>

namespace velmor {

class ColorLabel : public QLabel {
public:
    explicit ColorLabel(QWidget* parent = nullptr);

    QString faceName;
    float pointSize = 0.0f;
    QColor textColour = Qt::black;
    QColor backgroundColour = Qt::white;

    // "ＭＳ ゴシック" 9 pt, white on black, empty text.
    void Init();
    void CreateLabelFont();
    void UpdateBrush();
    // Applies the text colour at once (the owner's answer to a colour change).
    void SetTextColour(const QColor& colour);
};

} // namespace velmor
