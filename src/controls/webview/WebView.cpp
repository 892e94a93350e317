// The banner's web view, in a module of its own: the web engine's libraries
// are large enough that merely linking them slows every start, so quabrel
// loads this only once its window is on screen.

#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

extern "C" Q_DECL_EXPORT QWidget* QuabrelCreateWebView(QWidget* parent, const QUrl* address) {
    // The view composes its page in software, into the window's own
    // picture. Through OpenGL it would turn the whole top-level window into
    // a GL surface: a new native window a moment after the first paint (a
    // press then can lose its release) and every video frame composited in
    // software GL where no GPU driver is at hand.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    auto* view = new QWebEngineView(parent);
    // Nothing of the banner may outlive the run: no cookies, cache or
    // history on disk. A profile without a storage name keeps all of it in
    // memory. It belongs to the view's parent and is made after the view, so
    // it is destroyed after the view and the page that uses it.
    auto* profile = new QWebEngineProfile(parent);
    view->setPage(new QWebEnginePage(profile, view));
    view->setContextMenuPolicy(Qt::NoContextMenu);
    // A page that cannot load must not put the engine's error page into the
    // window: the view stays hidden and the skin shows instead.
    view->page()->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    view->hide();
    QObject::connect(view, &QWebEngineView::loadFinished, view, [view](bool ok) { view->setVisible(ok); });
    if (address != nullptr && !address->isEmpty()) view->load(*address);
    return view;
}
