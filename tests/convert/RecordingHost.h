#pragma once

#include "convert/uConversionRun.h"

#include <QList>
#include <QString>
#include <QStringList>

// A front end that writes into a folder and keeps whatever the run tells it.
class RecordingHost : public TConversionHost {
public:
    explicit RecordingHost(QString folder = {}) : fFolder(std::move(folder)) {}

    QString TargetFolder() const override { return fFolder; }
    bool KeepKml() const override { return false; }
    bool MakeGpx() const override { return false; }
    void ShowStatus(const QString& text) override { Statuses << text; }
    void Warn(const QString& text) override { Warnings << text; }
    void PassedOver(const TPassedOver& passedOver) override { PassedOverEntries << passedOver; }
    void Pause(int) override {}

    // The paths passed over for the reason.
    QStringList PassedOverPaths(TPassOver reason) const
    {
        QStringList paths;
        for (const TPassedOver& entry : PassedOverEntries) {
            if (entry.reason == reason)
                paths << entry.path;
        }
        return paths;
    }

    QStringList Statuses;
    QStringList Warnings;
    QList<TPassedOver> PassedOverEntries;

private:
    QString fFolder;
};
