// A small window that drags the files named on its command line as soon as
// a mouse button goes down on it, so that an end-to-end test can drop them
// on the program with the pointer (xdotool): press here, move, release there.
// Prints "accepted" or "refused" at the drop and ends 20 s later (0 when accepted).
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
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        std::fputs(action == Qt::CopyAction ? "accepted\n" : "refused\n", stdout);
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
