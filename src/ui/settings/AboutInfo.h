#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqml.h>

// The "关于" section's facts: the version line and the folder of third-party licence texts that is
// installed beside the program.
class AboutInfo : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_DISABLE_COPY_MOVE(AboutInfo)
    Q_PROPERTY(QString versionLine READ versionLine CONSTANT)
    Q_PROPERTY(bool hasLicenses READ hasLicenses CONSTANT)

public:
    explicit AboutInfo(QObject *parent = nullptr) : QObject(parent) {}

    // "Version " + version + " · " + build number, with "0.8.0" and "9" for missing parts.
    static QString versionLine(const QString &version, const QString &build);
    QString versionLine() const;
    // share/hushnote/licenses beside the program's bin folder (in the build tree and installed).
    static QString licensesFolder();
    bool hasLicenses() const;

    // Opens the licence folder with the desktop's default handler, when it exists.
    Q_INVOKABLE void openLicenses() const;
};
