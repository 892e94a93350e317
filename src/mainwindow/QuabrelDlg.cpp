#include "mainwindow/QuabrelDlg.h"

namespace quabrel {

CquabrelDlg::CquabrelDlg(const CSkinConfig& skins, std::string exeDir, QWidget* parent)
    : QDialog(parent), m_skins(skins), m_strExeDir(std::move(exeDir)) {
    setWindowTitle(QStringLiteral("quabrel"));
}

CquabrelDlg::~CquabrelDlg() = default;

}  // namespace quabrel
