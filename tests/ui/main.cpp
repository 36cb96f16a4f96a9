#include <QApplication>
#include <QStyleFactory>

#include <gtest/gtest.h>

#include <unistd.h>

int main(int argc, char** argv)
{
    // The C library's heap checks make a write past the end of a picture's rows
    // fail the run instead of passing unseen: the program starts again with them.
    if (!qEnvironmentVariableIsSet("MALLOC_CHECK_")) {
        const QByteArray preload = qgetenv("LD_PRELOAD");
        qputenv("LD_PRELOAD", "libc_malloc_debug.so.0" + (preload.isEmpty() ? "" : ":" + preload));
        qputenv("MALLOC_CHECK_", "3");
        execv("/proc/self/exe", argv);  // failing that, the run goes on without them
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
