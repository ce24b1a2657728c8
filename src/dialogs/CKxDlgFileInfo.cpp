#include "dialogs/CKxDlgFileInfo.h"

#include "dialogs/DialogControls.h"
#include "platform/NumberParse.h"
#include "scene/AttributeParsers.h"
#include "scene/SceneHead.h"

#include <QCloseEvent>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace velmor {
namespace {

qsizetype Utf16Length(const std::wstring& text) { return QString::fromStdWString(text).size(); }

void FillItalicRanges(HeadItem& item, qsizetype valueStart)
{
    std::vector<std::wstring> tokens;
    const size_t k = SplitTokens(item.italic, L",", tokens);
    // An odd count is not a list of pairs: the ranges stay as they were.
    if (k % 2 != 0) return;
    item.italicRanges.resize(k);
    for (size_t j = 0; j < k; ++j) {
        int64_t value = ParseLeadingInt32(tokens[j]);
        if (j % 2 == 0) value += valueStart;
        item.italicRanges[j] = static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    }
}

void ApplyItalic(QTextEdit* edit, const std::vector<HeadItem>& items)
{
    QTextCharFormat italic;
    italic.setFontItalic(true);
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    const int64_t end = cursor.position();
    for (const HeadItem& item : items) {
        for (size_t j = 0; j + 1 < item.italicRanges.size(); j += 2) {
            // Ranges beyond the text are cut to it, as a selection would be.
            const int64_t a = std::clamp<int64_t>(item.italicRanges[j], 0, end);
            const int64_t b = std::clamp<int64_t>(int64_t(item.italicRanges[j]) + item.italicRanges[j + 1], 0, end);
            cursor.setPosition(static_cast<int>(std::min(a, b)));
            cursor.setPosition(static_cast<int>(std::max(a, b)), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(italic);
        }
    }
}

} // namespace

QString MakeFileInfoText(SceneHead& head)
{
    QString text;
    qsizetype pos = 0;
    std::vector<HeadItem>* lists[4] = {&head.title, &head.credit, &head.date, &head.description};
    for (int l = 0; l < 4; ++l) {
        for (HeadItem& item : *lists[l]) {
            text += QString::fromStdWString(item.type) + QStringLiteral("\n    ") + QString::fromStdWString(item.value) +
                    QStringLiteral("\n");
            pos += Utf16Length(item.type) + 5;
            FillItalicRanges(item, pos);
            pos += Utf16Length(item.value) + 1;
        }
        if (l < 3 && !lists[l]->empty()) {
            text += QStringLiteral("\n");
            pos += 1;
        }
    }
    return text;
}

CKxDlgFileInfo::CKxDlgFileInfo()
    : DialogBase(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      text_(Numbered(new QTextEdit, kText))
{
    setObjectName(QStringLiteral("dlg_210"));
    setWindowTitle(QStringLiteral("  ファイル情報"));
    text_->setReadOnly(true);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    ResizeInDialogUnits(this, 215, 183);
}

void CKxDlgFileInfo::Create(QWidget* view, SceneHead* head)
{
    view_ = view;
    head_ = head;
    setParent(view, windowFlags());
    hide();
}

void CKxDlgFileInfo::BuildFileInfoText(bool shown)
{
    if (!shown || head_ == nullptr) {
        text_->clear();
        text_->setEnabled(false);
        return;
    }
    text_->setPlainText(MakeFileInfoText(*head_));
    for (const std::vector<HeadItem>* list : {&head_->title, &head_->credit, &head_->date, &head_->description})
        ApplyItalic(text_, *list);
    text_->moveCursor(QTextCursor::Start);
    text_->setEnabled(true);
}

void CKxDlgFileInfo::RedrawIfIdle()
{
    ServicesOrNone(services).RedrawIfIdle();
}

void CKxDlgFileInfo::moveEvent(QMoveEvent* event)
{
    DialogBase::moveEvent(event);
    RedrawIfIdle();
}

void CKxDlgFileInfo::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
    RedrawIfIdle();
}

} // namespace velmor
