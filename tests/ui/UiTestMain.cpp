// The widget tests run without a display: Qt's offscreen platform unless one is set.

#include <QApplication>

#include <gmock/gmock.h>

#include <clocale>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
