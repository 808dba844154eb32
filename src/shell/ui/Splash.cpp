#include "Splash.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QSqlDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <memory>

#include "base/Version.h"
#include "store/Database.h"

namespace quirels {

QString applicationVersion() { return version(); }

QIcon applicationIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath flask;
    flask.moveTo(12, 2);
    flask.lineTo(12, 12);
    flask.lineTo(3, 29);
    flask.lineTo(29, 29);
    flask.lineTo(20, 12);
    flask.lineTo(20, 2);
    p.setPen(QPen(QColor(0, 70, 127), 2.5));
    p.setBrush(Qt::white);
    p.drawPath(flask);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 150, 100));
    QPolygonF liquid;
    liquid << QPointF(8, 20) << QPointF(24, 20) << QPointF(27.5, 27.5) << QPointF(4.5, 27.5);
    p.drawPolygon(liquid);
    return QIcon(pm);
}

QPixmap startupPicture()
{
    QPixmap pm(496, 305);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, 496, 0);
    band.setColorAt(0, QColor(0, 70, 127));
    band.setColorAt(1, QColor(0, 128, 96));
    p.fillRect(QRect(0, 0, 496, 110), band);
    // A flask: the product the maps are about.
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(Qt::NoBrush);
    QPainterPath flask;
    flask.moveTo(40, 22);
    flask.lineTo(40, 48);
    flask.lineTo(20, 90);
    flask.lineTo(84, 90);
    flask.lineTo(64, 48);
    flask.lineTo(64, 22);
    p.drawPath(flask);
    p.setBrush(QColor(120, 220, 160));
    p.setPen(Qt::NoPen);
    QPolygonF liquid;
    liquid << QPointF(30, 70) << QPointF(74, 70) << QPointF(82, 87) << QPointF(22, 87);
    p.drawPolygon(liquid);

    p.setPen(Qt::white);
    QFont title(QStringLiteral("Verdana"), 34, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(110, 14, 370, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quirels"));
    p.setFont(QFont(QStringLiteral("Verdana"), 10));
    p.drawText(QRect(112, 70, 370, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Mapas de Controle de Produtos Químicos"));

    p.setPen(QColor(40, 40, 40));
    p.setFont(QFont(QStringLiteral("Verdana"), 9));
    p.drawText(QRect(24, 130, 448, 90), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Anexos XI-A a XI-H: controle geral, movimentação, importação e exportação, "
                              "armazenagem, transporte e resíduos. Validação do mês, impressão dos mapas "
                              "e geração do arquivo de declaração."));
    p.setPen(QColor(110, 110, 110));
    p.drawText(QRect(24, 262, 448, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Versão %1").arg(applicationVersion()));
    p.drawText(QRect(24, 262, 448, 24), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Carregando..."));
    p.setPen(QPen(QColor(0, 70, 127), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, 495, 304));
    return pm;
}

QWidget *createSplash()
{
    auto *w = new QLabel;
    w->setObjectName(QStringLiteral("frmSplash"));
    w->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Qt::white);
    w->setPalette(pal);
    w->setPixmap(startupPicture());
    w->setFixedSize(496, 305);
    w->setCursor(Qt::WaitCursor);
    if (const QScreen *s = QGuiApplication::primaryScreen())
        w->move(s->availableGeometry().center() - QPoint(248, 152));
    return w;
}

QDialog *createAbout(const QSqlDatabase &db, QWidget *parent)
{
    auto *box = new QDialog(parent);
    box->setObjectName(QStringLiteral("frmSobre"));
    box->setWindowTitle(QStringLiteral("Sobre"));
    auto *layout = new QVBoxLayout(box);
    auto *head = new QHBoxLayout;
    auto *icon = new QLabel(box);
    icon->setPixmap(applicationIcon().pixmap(48, 48));
    head->addWidget(icon, 0, Qt::AlignTop);
    auto *text = new QLabel(QStringLiteral("<b>Quirels</b><br>Versão %1<br>"
                                           "Mapas de controle de produtos químicos controlados.")
                                .arg(applicationVersion()),
                            box);
    text->setObjectName(QStringLiteral("lblVersao"));
    head->addWidget(text, 1);
    layout->addLayout(head);

    auto *tables = new QGroupBox(QStringLiteral("Tabelas de referência instaladas"), box);
    tables->setObjectName(QStringLiteral("grpTabelas"));
    auto *form = new QFormLayout(tables);
    const QHash<QString, QString> captions{{QStringLiteral("ProdutoControlado"), QStringLiteral("Produtos controlados")},
                                           {QStringLiteral("Cnae"), QStringLiteral("CNAE")},
                                           {QStringLiteral("CFOP"), QStringLiteral("CFOP")},
                                           {QStringLiteral("Paises"), QStringLiteral("Países")}};
    for (const store::ReferenceTable &t : store::referenceTables(db)) {
        QString line = t.edition.isValid() ? t.edition.date().toString(QStringLiteral("dd/MM/yyyy"))
                                           : QStringLiteral("data desconhecida");
        if (t.rows >= 0)
            line += QStringLiteral(" \u2014 %1 registros").arg(t.rows);
        auto *value = new QLabel(line, tables);
        value->setObjectName(QStringLiteral("lbl") + t.table);
        form->addRow(captions.value(t.table, t.table) + QLatin1Char(':'), value);
    }
    layout->addWidget(tables);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
    layout->addWidget(buttons);
    return box;
}

void showAbout(const QSqlDatabase &db, QWidget *parent)
{
    std::unique_ptr<QDialog> box(createAbout(db, parent));
    box->exec();
}

} // namespace quirels
