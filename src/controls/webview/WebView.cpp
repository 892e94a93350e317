// The banner's web view, in a module of its own: the web engine's libraries
// are large enough that merely linking them slows every start, so quabrel
// loads this only once its window is on screen.

#include <QUrl>
#include <QWebEngineSettings>
#include <QWebEngineView>

extern "C" Q_DECL_EXPORT QWidget* QuabrelCreateWebView(QWidget* parent, const QUrl* address) {
    auto* view = new QWebEngineView(parent);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    // A page that cannot load must not put the engine's error page into the
    // window: the view stays hidden and the skin shows instead.
    view->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    view->hide();
    QObject::connect(view, &QWebEngineView::loadFinished, view, [view](bool ok) { view->setVisible(ok); });
    if (address != nullptr && !address->isEmpty()) view->load(*address);
    return view;
}
