#include <QtPrintSupport/QPrinter>
int probe() { return sizeof(QPrinter); }
