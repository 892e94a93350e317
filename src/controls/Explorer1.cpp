#include "controls/Explorer1.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace quabrel {

QString ProductSite() { return QStringLiteral(QUABREL_PRODUCT_SITE); }

QString WebViewModuleName() { return QStringLiteral(QUABREL_WEBVIEW_MODULE); }

CExplorer1::CExplorer1(QWidget* parent) : QWidget(parent) {}

CExplorer1::~CExplorer1() = default;

void CExplorer1::Navigate(const QUrl& address) {
    m_address = address;
    if (m_view != nullptr) m_view->setProperty("url", m_address);
}

void CExplorer1::Start(const QString& moduleDirectory) {
    if (m_view != nullptr) return;
    const QString folder = moduleDirectory.isEmpty() ? QCoreApplication::applicationDirPath() : moduleDirectory;
    // Never unloaded: the view and the engine live until the process ends.
    QLibrary module(QDir(folder).filePath(WebViewModuleName()));
    using Create = QWidget* (*)(QWidget*, const QUrl*);
    const auto create = reinterpret_cast<Create>(module.resolve("QuabrelCreateWebView"));
    if (create == nullptr) return;
    m_view = create(this, &m_address);
    if (m_view != nullptr) m_view->setGeometry(rect());
}

void CExplorer1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_view != nullptr) m_view->setGeometry(rect());
}

}  // namespace quabrel
