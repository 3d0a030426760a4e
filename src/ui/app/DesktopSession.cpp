#include "app/DesktopSession.h"

#include "app/DesktopApp.h"
#include "app/OfflineNetwork.h"
#include "app/Strings.h"
#include "shell/DesktopLook.h"
#include "workspace/Workspace.h"

#include <QEventLoop>
#include <QFont>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>

void DesktopSession::nameProgram()
{
    QGuiApplication::setApplicationName(QStringLiteral("Hushnote"));
    QGuiApplication::setOrganizationName(QStringLiteral("Hushnote"));
    QGuiApplication::setApplicationVersion(QStringLiteral(HUSHNOTE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.hushnote.Hushnote"));
}

DesktopSession::DesktopSession() = default;

DesktopSession::~DesktopSession()
{
    // The window goes before the objects it shows.
    m_engine.reset();
    m_app.reset();
}

bool DesktopSession::showMainWindow()
{
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    // The typeface follows the interface language; connected before any window exists, so a
    // rebuilt window already finds the new one.
    const auto applyFont = [] {
        QFont font(Strings::instance().fontFamily());
        font.setPixelSize(13);
        QGuiApplication::setFont(font);
    };
    applyFont();
    QObject::connect(&Strings::instance(), &Strings::languageChanged, qApp, applyFont);
    DesktopLook::instance().readDesktopSettings();

    // Reads the home library before the window shows.
    m_app = std::make_unique<DesktopApp>();
    if (!m_app->workspace().isIdle()) {
        QEventLoop loading;
        QObject::connect(&m_app->workspace(), &Workspace::idleChanged, &loading, &QEventLoop::quit);
        loading.exec();
    }

    m_engine = std::make_unique<QQmlApplicationEngine>();
    OfflineNetwork::install(m_engine.get());
    m_engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    QObject::connect(m_engine.get(), &QQmlApplicationEngine::objectCreationFailed, qApp,
                     [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
    m_engine->load(QUrl(QStringLiteral("qrc:/qt/qml/Hushnote/Ui/qml/Main.qml")));
    return !m_engine->rootObjects().isEmpty();
}
