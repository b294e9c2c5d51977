#include <QCoreApplication>

#include <cstdio>

// Placeholder until the viewer arrives: answers --version and says what exists.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("Relantomador %s: the page store is built; the viewer is not yet.\n",
                qPrintable(QCoreApplication::applicationVersion()));
    return 0;
}
