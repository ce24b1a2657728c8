#include "app/QtMessageSink.h"

#include "app/CKxDlgProgress.h"
#include "dialogs/DialogBase.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

namespace velmor {
namespace {

void ShowOnUiThread(const std::wstring& text)
{
    if (CKxDlgProgress* progress = CKxDlgProgress::Instance()) {
        progress->ProgressMessageBox(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Velmor"), QString::fromStdWString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    WidenBoxForTitle(box);
    box.exec();
}

} // namespace

QtMessageSink::QtMessageSink() : previous_(SetMessageSink(this)) {}
QtMessageSink::~QtMessageSink() { SetMessageSink(previous_); }

void QtMessageSink::Show(const std::wstring& text)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    if (QThread::currentThread() == app->thread()) {
        ShowOnUiThread(text);
        return;
    }
    // The UI thread keeps dispatching posted calls during a job, so this
    // returns once the user has closed the box.
    QMetaObject::invokeMethod(app, [text] { ShowOnUiThread(text); }, Qt::BlockingQueuedConnection);
}

} // namespace velmor
