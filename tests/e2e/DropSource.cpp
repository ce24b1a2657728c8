// A small window that drags the files named on its command line as soon as
// a mouse button goes down on it, so that an end-to-end test can drop them
// on the program with the pointer (xdotool): press here, move, release there.
// Offers a copy, or the Qt::DropActions that DROP_ACTIONS numbers, and deletes the file when told
// it was moved. Prints "accepted" (copied), "moved" or "refused" (Qt's verdict: the target's last
// answer to the moves) once the drop has reached the X server, and ends 20 s later (0 when accepted).
// An argument with "://" is dragged as that URL, any other as a file.
//   drop_source x y file...
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

class DropSource final : public QWidget {
public:
    explicit DropSource(QList<QUrl> urls) : urls_(std::move(urls)) {}

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls(urls_);
        drag->setMimeData(data);
        const int offered = qEnvironmentVariableIntValue("DROP_ACTIONS");
        const Qt::DropAction action = drag->exec(offered != 0 ? Qt::DropActions(offered) : Qt::CopyAction);
        if (action == Qt::MoveAction) std::remove(urls_.front().toLocalFile().toLocal8Bit().constData());
        // Qt only queues the drop for the target: it would leave with the
        // event loop's next pass, and a test that ends this source as soon as
        // it reads the verdict would take the drop with it ("accepted", and
        // the program never hears of it). A round trip sends it first.
        if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>())
            std::free(xcb_get_input_focus_reply(x11->connection(), xcb_get_input_focus(x11->connection()), nullptr));
        std::fputs(action == Qt::CopyAction ? "accepted\n" : action == Qt::MoveAction ? "moved\n" : "refused\n", stdout);
        std::fflush(stdout);
        // A busy target asks for the dragged data only when it gets to the
        // drop: stay a while to hand it over.
        QTimer::singleShot(20000, [action] { QApplication::exit(action == Qt::CopyAction ? 0 : 1); });
    }

private:
    QList<QUrl> urls_;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 4) return 2;
    QList<QUrl> urls;
    for (int i = 3; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        urls.append(arg.contains(QStringLiteral("://")) ? QUrl(arg) : QUrl::fromLocalFile(arg));
    }
    DropSource source(urls);
    source.setWindowTitle(QStringLiteral("drop source"));
    source.setGeometry(QString::fromLocal8Bit(argv[1]).toInt(), QString::fromLocal8Bit(argv[2]).toInt(), 60, 60);
    source.show();
    return app.exec();
}
