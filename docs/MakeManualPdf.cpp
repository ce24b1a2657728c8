// Turns the manual's HTML into the PDF that the Help menu opens; the build
// runs it on Qt's offscreen platform.
//   make_manual_pdf manual.html ManualJ.pdf
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <cstdio>

namespace {

// The manual is Japanese: without a Japanese face every line would come out
// as empty boxes, so the build stops instead.
constexpr const char* kFace = "IPAPGothic";

int Fail(const QString& text)
{
    std::fprintf(stderr, "make_manual_pdf: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) return Fail(QStringLiteral("usage: make_manual_pdf manual.html out.pdf"));
    if (!QFontDatabase::families().contains(QString::fromLatin1(kFace)))
        return Fail(QStringLiteral("the font %1 is not installed (scripts/setup installs it)").arg(kFace));

    QFile in(args[1]);
    if (!in.open(QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot read %1").arg(args[1]));
    QTextDocument document;
    document.setDefaultFont(QFont(QString::fromLatin1(kFace), 10));
    document.setHtml(QString::fromUtf8(in.readAll()));

    // Written aside and renamed, so that a failed run leaves no half a file.
    QSaveFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly)) return Fail(QStringLiteral("cannot write %1").arg(args[2]));
    {
        QPdfWriter pdf(&out);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        pdf.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
        pdf.setCreator(QStringLiteral("Velmor"));
        // Unpaginated, the document is laid out on the writer's pages with
        // their numbers at the foot.
        document.print(&pdf);
    }
    if (!out.commit()) return Fail(QStringLiteral("cannot write %1").arg(args[2]));
    return 0;
}
