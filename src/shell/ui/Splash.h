#pragma once
// The start-up picture and the about box.

#include <QIcon>
#include <QPixmap>
#include <QString>

class QDialog;
class QSqlDatabase;
class QWidget;

namespace quirels {

QString applicationVersion();
// The program's icon: the flask of the start-up picture.
QIcon applicationIcon();
// The start-up picture, 496 × 305 pixels.
QPixmap startupPicture();
// A borderless white window that stays on top, centred on the screen,
// showing the start-up picture with an hourglass cursor.
QWidget *createSplash();
// The about box: name, version and the reference tables installed in the
// store `db` (the date of their data and their rows).
QDialog *createAbout(const QSqlDatabase &db, QWidget *parent);
// Shows it modally.
void showAbout(const QSqlDatabase &db, QWidget *parent);

} // namespace quirels
