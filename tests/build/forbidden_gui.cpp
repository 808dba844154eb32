#include <QtGui/QColor>
int probe() { return QColor(0, 0, 0).red(); }
