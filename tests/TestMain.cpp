// Test entry point: a QApplication exists for the whole run, on the offscreen
// platform unless the caller chose another, so that widget tests and message
// processing behave as in the program; the application object is initialised
// as the program does it (font families, Qt's Polish translation).
#include "platform/Forms.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::Application->Initialize();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
