#pragma once
// The progress display of background jobs: a caption, a bar and an optional
// Cancel button, driven by posted progress events. It appears only when a
// job outlasts the job's interval. Its message box is the one through which
// errors reach the user while rendering is suspended.
#include "dialogs/DialogBase.h"

#include <QPointer>
#include <cstdint>
#include <string>

class QMessageBox;
class QProgressBar;
class QPushButton;
class QTimer;

namespace velmor {

class ColorLabel;

class CKxDlgProgress final : public DialogBase {
public:
    enum Control { kCancelButton = 1214, kBar = 1215, kLabel = 1216 };

    // The dialog starts hidden and publishes itself as the program's
    // progress display (the last one created while it lives).
    explicit CKxDlgProgress(QWidget* parent = nullptr);
    ~CKxDlgProgress() override;
    static CKxDlgProgress* Instance();

    // Shows `text` in an application-modal box titled "Velmor" with an OK
    // button; the view draws nothing while it is open. Returns 1 (OK).
    int ProgressMessageBox(const std::wstring& text);

    // Whether events for `target` belong to this dialog's own windows.
    bool OwnsEventTarget(const QObject* target) const;
    // Whether events for `target` belong to the message box now open.
    bool OwnsMessageBoxTarget(const QObject* target) const;

    uint32_t lastStart = 0;
    int32_t showDelay = 0;
    double position = 0.0;
    bool cancelRequested = false;
    bool messageBoxOpen = false;

protected:
    bool event(QEvent* event) override;
    // Hiding the display would leave a running job with no way to cancel it.
    void OnEscape() override {}

private:
    void OnProgressStart(int64_t interval, int64_t range);
    void ShowWhenDue();
    void ShowNow();
    void OnProgressStep(int64_t steps);
    void OnProgressSetPosition(int64_t newPosition);
    void OnProgressEnd();
    void OnProgressText(int64_t colour, const std::wstring& text);
    void OnCancel();
    void SetBarPosition();
    void CentreOnParent();

    QProgressBar* bar_;
    ColorLabel* label_;
    QPushButton* cancelButton_;
    // Shows the display when its interval is up, though no progress came:
    // a job may wait that long in one step.
    QTimer* due_;
    QPointer<QMessageBox> box_;
};

// Milliseconds of a monotonic clock; wraps like a 32-bit tick count, so
// differences are taken in unsigned arithmetic.
uint32_t TickCount();

} // namespace velmor
