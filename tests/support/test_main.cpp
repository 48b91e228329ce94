// main() of every test binary: a Qt application object first, as the program has one.
#include <QCoreApplication>
#include <gtest/gtest.h>

#ifdef VELORIX_TEST_GUI
#include <QApplication>
#endif

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
#ifdef VELORIX_TEST_GUI
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
