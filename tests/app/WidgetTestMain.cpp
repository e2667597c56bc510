#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    // The tests also run at build time to be listed, where there is no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    const QApplication application(argc, argv);
    // Tests close windows; that must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
