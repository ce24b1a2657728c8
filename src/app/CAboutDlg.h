#pragma once
// The About box: product name, version line and legal notice.
#include "dialogs/DialogBase.h"

#include <string>

class QLabel;

namespace velmor {

class CAboutDlg final : public DialogBase {
public:
    enum Control { kOk = StandardControl::kOk, kLegalNotice = 1000, kProductName = 1001, kVersion = 1002 };

    CAboutDlg(const std::wstring& productName, const std::wstring& versionLine, const std::wstring& legalNotice,
              QWidget* parent = nullptr);

protected:
    // Its OK is the default button: Enter closes it.
    void OnEnter() override { accept(); }
};

} // namespace velmor
