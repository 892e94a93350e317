#pragma once

#include "imaging/ColorProcessor.h"
#include "imaging/VideoProcSetting.h"
#include "skin/SkinConfig.h"

#include <QDialog>

#include <string>

namespace quabrel {

// The main and only window.
class CquabrelDlg : public QDialog {
    Q_OBJECT

public:
    CquabrelDlg(const CSkinConfig& skins, std::string exeDir, QWidget* parent = nullptr);
    ~CquabrelDlg() override;

    CColorProcessor& ColorProcessor() { return m_colorProcessor; }

private:
    const CSkinConfig& m_skins;
    const std::string m_strExeDir;
    CColorProcessor m_colorProcessor;
};

}  // namespace quabrel
