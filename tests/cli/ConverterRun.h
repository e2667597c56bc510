#pragma once

// rte2kmz run as a program, for the command line's end-to-end tests.

#include "support/ArchiveReaders.h"
#include "support/TestSupport.h"

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

struct Waypoint {
    double lat;
    double lon;
    const char* name;
};

extern const std::vector<Waypoint> kBiesbosch;

std::vector<TLatLon> Line(const std::vector<Waypoint>& points);

struct Outcome {
    bool crashed;
    int exitCode;
    QStringList out; // its lines
    QString err;
    QString outText; // standard output whole, empty lines included
};

// Runs rte2kmz with the arguments, started through `prefix` when given (a
// command that runs another, as setpriv or strace); `prepare` sets up the
// process before it starts.
Outcome RunConverter(const QStringList& args, const std::function<void(QProcess&)>& prepare = {},
                     const QStringList& prefix = {});

// The document inside a .kmz, as unzip gives it.
QByteArray Unpacked(const QString& kmz);

// A folder's entries (hidden ones too) with their bytes, a file's bytes under
// an empty name, nothing for a path that does not exist.
QMap<QString, QByteArray> Contents(const QString& path);

// Route files written by our own writer, and a target folder "out".
class ConverterTestBase : public ::testing::Test, protected TempFolder {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(Target())); }

    QString WriteRoute(const QString& name, const QString& caption, const std::vector<Waypoint>& points,
                       quint16 version = 6, bool scrambled = false) const;
    QString Target() const { return Path(QStringLiteral("out")); }
    QStringList TargetFiles() const;
};
