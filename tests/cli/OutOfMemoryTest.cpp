// Memory that runs out while rte2kmz converts a route: while it loads, while
// it writes the KML, while it deflates. The converter runs in a child
// process, under an address-space limit (RLIMIT_AS) or with one allocation
// made to fail on purpose. Whatever the moment, the run either converts the
// route in full or ends with exit status 1 and a message naming the file,
// and the target folder holds what it held before: never part of a route
// reported as converted, never a crash, never a temporary file left.

#include "ConverterRun.h"

#include "geo/uRouteLibrary.h"
#include "platform/Error.h"
#include "support/ZipReader.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QSet>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <functional>

namespace {

Outcome Convert(const QStringList& args, const std::function<void()>& inChild,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    return RunConverter(args, [&](QProcess& process) {
        process.setProcessEnvironment(environment);
        if (inChild)
            process.setChildProcessModifier(inChild);
    });
}

constexpr rlim_t kMiB = 1024 * 1024;

std::function<void()> AddressSpaceLimit(rlim_t bytes)
{
    return [bytes] {
        const rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_AS, &limit);
    };
}

// A folder's entries with their bytes; an archive by the document it holds.
QMap<QString, QByteArray> State(const QString& folder)
{
    QMap<QString, QByteArray> state;
    for (const QString& name : FolderEntries(folder)) {
        QByteArray bytes = ReadFile(QDir(folder).filePath(name));
        if (name.endsWith(QStringLiteral(".kmz")) && bytes != "an earlier archive") {
            try {
                bytes = "document: " + ReadSingleEntry(bytes).Content;
            } catch (const TZipFormatError& e) {
                bytes = QByteArray("broken archive: ") + e.what();
            }
        }
        state.insert(name, bytes);
    }
    return state;
}

class ConverterOutOfMemory : public ::testing::Test, protected TempFolder {
protected:
    void SetUp() override
    {
#ifdef ROUTE_CONVERSIE_SANITIZED
        GTEST_SKIP() << "the sanitizers reserve address space and bring their own allocator";
#endif
    }

    // Writes a route of `count` waypoints, an earlier archive of its name in
    // the target folder, and converts it once without limits, with the
    // options, to learn what a good run prints and writes.
    void Prepare(int count, const QStringList& options = {})
    {
        fOptions = options;
        fRoute = Path(QStringLiteral("Haven.rte"));
        TRoute route{QString()};
        route.setCaption(QStringLiteral("Haven"));
        for (int i = 0; i < count; ++i)
            route.Add(51.5 + i * 1e-5, 3.6 + i * 1e-5, QStringLiteral("Boei %1").arg(i));
        ASSERT_TRUE(route.SaveToFile(fRoute, 6, false));

        fTarget = Path(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(fTarget));
        WriteFile(QStringLiteral("out/Haven.kmz"), "an earlier archive");
        fBefore = State(fTarget);

        const QString good = Path(QStringLiteral("good"));
        ASSERT_TRUE(QDir().mkpath(good));
        const Outcome run = Convert(fOptions + QStringList{QStringLiteral("--target"), good, fRoute}, {});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        fGoodOut = run.out;
        fComplete = State(good);
        ASSERT_TRUE(fComplete.value(QStringLiteral("Haven.kmz")).startsWith("document: <?xml"));
    }

    QStringList Args() const { return fOptions + QStringList{QStringLiteral("--target"), fTarget, fRoute}; }

    // The messages as printed: every one ends in a letter, so "." follows.
    QString LoadingMessage() const { return ErrorText::CannotReadFile(fRoute, ErrorText::OutOfMemory()) + u'.'; }
    QString WritingMessage(const char* extension = ".kmz") const
    {
        return ErrorText::CannotCreateFile(fTarget + QStringLiteral("/Haven") + QLatin1String(extension),
                                           ErrorText::OutOfMemory())
               + u'.';
    }

    // Checks one run and returns its message when it failed. The target
    // folder is as before afterwards, also after a run that succeeded (an
    // allocation that fails inside the C library may be borne by it).
    QString ExpectWholeOrNothing(const Outcome& run) const
    {
        const auto restore = qScopeGuard([this] { RestoreEarlierArchive(); });
        EXPECT_FALSE(run.crashed) << run.err.toStdString();
        const QMap<QString, QByteArray> state = State(fTarget);
        if (run.exitCode == 0) {
            EXPECT_EQ(run.out, fGoodOut);
            EXPECT_EQ(state, fComplete);
            return {};
        }
        EXPECT_EQ(run.exitCode, 1);
        const QString message = run.err.chopped(run.err.endsWith(u'\n') ? 1 : 0);
        EXPECT_TRUE((QStringList{LoadingMessage(), WritingMessage(), WritingMessage(".gpx"), ErrorText::OutOfMemory() + u'.'}
                         .contains(message)))
            << run.err.toStdString();
        // The status keeps its last text.
        EXPECT_EQ(run.out, fGoodOut.first(std::min(run.out.size(), fGoodOut.size() - 1)));
        // A failure after the archive took its name leaves it whole, and a
        // GPX document that failed leaves nothing of its own.
        if (state != fBefore) {
            QMap<QString, QByteArray> complete = fComplete;
            if (message == WritingMessage(".gpx"))
                complete.remove(QStringLiteral("Haven.gpx"));
            EXPECT_EQ(state, complete);
        }
        return message;
    }

    void RestoreEarlierArchive() const
    {
        for (const QString& name : FolderEntries(fTarget))
            QFile::remove(QDir(fTarget).filePath(name));
        WriteFile(QStringLiteral("out/Haven.kmz"), "an earlier archive");
    }

    QStringList fOptions;
    QString fRoute;
    QString fTarget;
    QMap<QString, QByteArray> fBefore;
    QMap<QString, QByteArray> fComplete;
    QStringList fGoodOut;
};

// The limits run from the least a start of the program needs to the least
// the route needs, so that memory runs out at every stage of the loading.
TEST_F(ConverterOutOfMemory, UnderAnAddressSpaceLimit)
{
    Prepare(200000);
    if (HasFatalFailure())
        return;
    // The least limit (to 1 MiB) at which `run` succeeds; every try is checked.
    const auto least = [this](const std::function<bool(rlim_t)>& run) {
        rlim_t fails = 8 * kMiB;
        rlim_t works = 4096 * kMiB;
        while (works - fails > kMiB) {
            const rlim_t middle = (fails + works) / 2;
            (run(middle) ? works : fails) = middle;
        }
        return works;
    };
    const rlim_t start = least([](rlim_t limit) {
        return Convert({QStringLiteral("--version")}, AddressSpaceLimit(limit)).exitCode == 0;
    });
    const rlim_t enough = least([this](rlim_t limit) {
        const Outcome run = Convert(Args(), AddressSpaceLimit(limit));
        ExpectWholeOrNothing(run);
        return run.exitCode == 0;
    });
    ASSERT_GT(enough, start + 16 * kMiB) << "the route must need memory of its own";

    QSet<QString> messages;
    constexpr int kRows = 12;
    for (int row = 0; row <= kRows; ++row) {
        const rlim_t limit = start + (enough - start) * row / kRows;
        SCOPED_TRACE(testing::Message() << "limit " << limit / kMiB << " MiB");
        messages.insert(ExpectWholeOrNothing(Convert(Args(), AddressSpaceLimit(limit))));
    }
    EXPECT_TRUE(messages.contains(LoadingMessage()));
    EXPECT_TRUE(messages.contains(QString())) << "the last row converts";
}

#ifdef FAIL_ALLOC_LIBRARY
// One allocation fails, at every moment from the first status line on: in
// the loading, the writing of the KML, the deflating, the GPX document and
// the reports.
class ConverterAllocationFails : public ConverterOutOfMemory {
protected:
    // Returns the messages of the runs that failed.
    QSet<QString> Sweep(const QStringList& options)
    {
        Prepare(40, options);
        if (HasFatalFailure())
            return {};
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(FAIL_ALLOC_LIBRARY));
        const QString countFile = Path(QStringLiteral("allocations"));
        environment.insert(QStringLiteral("FAIL_ALLOC_COUNT"), countFile);
        EXPECT_EQ(ExpectWholeOrNothing(Convert(Args(), {}, environment)), QString());
        const int allocations = ReadFile(countFile).trimmed().toInt();
        EXPECT_GT(allocations, 100);

        // Every allocation while there are few, evenly spread ones beyond.
        const int step = std::max(1, allocations / 400);
        QSet<QString> messages;
        for (int at = 1; at <= allocations && !HasFailure(); at += step) {
            SCOPED_TRACE(testing::Message() << "allocation " << at << " of " << allocations);
            environment.insert(QStringLiteral("FAIL_ALLOC_AT"), QString::number(at));
            messages.insert(ExpectWholeOrNothing(Convert(Args(), {}, environment)));
        }
        return messages;
    }
};

TEST_F(ConverterAllocationFails, AtAnyMoment)
{
    const QSet<QString> messages = Sweep({});
    EXPECT_TRUE(messages.contains(LoadingMessage()));
    EXPECT_TRUE(messages.contains(WritingMessage()));
}

TEST_F(ConverterAllocationFails, AtAnyMomentWithAGpxDocument)
{
    EXPECT_TRUE(Sweep({QStringLiteral("--gpx")}).contains(WritingMessage(".gpx")));
}
#endif

} // namespace
