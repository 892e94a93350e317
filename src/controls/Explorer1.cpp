#include "controls/Explorer1.h"

#include <QWebEngineSettings>
#include <QWebEngineView>

namespace quabrel {

QString ProductSite() { return QStringLiteral(QUABREL_PRODUCT_SITE); }

CExplorer1::CExplorer1(QWidget* parent) : QWidget(parent) {}

CExplorer1::~CExplorer1() = default;

void CExplorer1::Navigate(const QUrl& address) {
    m_address = address;
    if (m_view != nullptr) m_view->load(m_address);
}

void CExplorer1::Start() {
    if (m_view != nullptr) return;
    m_view = new QWebEngineView(this);
    m_view->setGeometry(rect());
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    // A page that cannot load must not put the engine's error page into the
    // window: the banner simply stays hidden.
    m_view->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    m_view->hide();
    connect(m_view, &QWebEngineView::loadFinished, this, [this](bool ok) { m_view->setVisible(ok); });
    if (!m_address.isEmpty()) m_view->load(m_address);
}

}  // namespace quabrel
