#include <QApplication>
// PLACEHOLDER: the entry sequence is being written.
int main(int argc, char **argv) { QApplication a(argc, argv); return 0; }
