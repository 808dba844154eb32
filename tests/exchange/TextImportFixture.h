#pragma once
// Builds fixed-column import lines and files for the text import tests. The
// columns are written out here by number, independently of the importer's
// layout table, so that a wrong column there shows up as a wrong value.

#include "base/Cp1252.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace quirels::test {

class Line {
public:
    explicit Line(const QString &type) : m_s(type) {}
    // Writes v into columns first..last (counted from 1), left-aligned and
    // padded with blanks; right-aligned when asked.
    Line &put(int first, int last, const QString &v, bool right = false)
    {
        const int width = last - first + 1;
        EXPECT_LE(v.size(), width) << qPrintable(v);
        if (m_s.size() < last)
            m_s = m_s.leftJustified(last, QLatin1Char(' '));
        const QString cell = right ? v.rightJustified(width, QLatin1Char(' ')) : v.leftJustified(width, QLatin1Char(' '));
        m_s.replace(first - 1, width, cell);
        return *this;
    }
    Line &key(const QString &cnpj, const QString &ano, const QString &mes)
    {
        return put(3, 16, cnpj).put(17, 20, ano).put(21, 23, mes);
    }
    QString str() const { return m_s; }
    operator QString() const { return m_s; }

private:
    QString m_s;
};

inline QString emLine(const QString &cnpj, const QString &razao, const QString &flags = QStringLiteral("111111111"))
{
    return Line(QStringLiteral("EM"))
        .put(3, 16, cnpj)
        .put(17, 86, razao)
        .put(87, 96, QStringLiteral("12345678-9"))
        .put(97, 106, QStringLiteral("2011-8/00"))
        .put(107, 115, flags)
        .put(116, 165, QStringLiteral("Outras atividades"))
        .put(166, 365, QStringLiteral("Informações gerais"))
        .put(366, 375, QStringLiteral("Grupo I"))
        .put(376, 415, QStringLiteral("Fulano de Tal"))
        .put(416, 426, QStringLiteral("12345678909"))
        .put(427, 437, QStringLiteral("MG1234567"))
        .put(438, 472, QStringLiteral("SSP"))
        .put(473, 474, QStringLiteral("MG"))
        .put(475, 477, QStringLiteral("031"))
        .put(478, 485, QStringLiteral("32221111"))
        .put(486, 493, QStringLiteral("32222222"))
        .put(494, 543, QStringLiteral("contato@empresa.com.br"));
}

inline Line meLine(const QString &cnpj, const QString &ano, const QString &mes)
{
    return Line(QStringLiteral("ME")).key(cnpj, ano, mes);
}

// A product line with every quantity given; the closing stock last.
inline Line prLine(const QString &cnpj, const QString &ano, const QString &mes, const QString &conc = QStringLiteral("98,5"),
                   const QString &unidade = QStringLiteral("Kg"), const QString &estoqueAtual = QStringLiteral("120"))
{
    Line l(QStringLiteral("PR"));
    l.key(cnpj, ano, mes).put(24, 29, conc).put(30, 35, QStringLiteral("0,79"));
    const char *q[] = {"100", "1", "2", "3", "50", "30", "20", "4", "5", "6", "7", "8", "9", "10"};
    int col = 36;
    for (const char *v : q) {
        l.put(col, col + 19, QString::fromLatin1(v), true);
        col += 20;
    }
    return l.put(316, 335, estoqueAtual, true)
        .put(336, 341, unidade)
        .put(342, 351, QStringLiteral("2207.10.00"))
        .put(352, 421, QStringLiteral("Álcool etílico"));
}

inline Line pfLine(const QString &cnpj, const QString &ano, const QString &mes, const QString &qt = QStringLiteral("10,5"))
{
    return Line(QStringLiteral("PF"))
        .key(cnpj, ano, mes)
        .put(24, 29, QStringLiteral("0,8"))
        .put(30, 49, qt)
        .put(50, 55, QStringLiteral("litro"))
        .put(56, 65, QStringLiteral("2208.90.00"))
        .put(66, 135, QStringLiteral("Aguardente"));
}

inline Line spLine(const QString &cnpj, const QString &ano, const QString &mes)
{
    return Line(QStringLiteral("SP"))
        .key(cnpj, ano, mes)
        .put(24, 29, QStringLiteral("40"))
        .put(30, 39, QStringLiteral("2207.10.00"))
        .put(40, 109, QStringLiteral("Álcool etílico"));
}

inline Line obLine(const QString &cnpj, const QString &ano, const QString &mes, const QString &anexo)
{
    return Line(QStringLiteral("OB")).key(cnpj, ano, mes).put(24, 24, anexo);
}

inline QString ooLine(const QString &text) { return QStringLiteral("OO") + text; }

// One line of every record type for one period, in the expected order.
inline QStringList monthLines(const QString &cnpj, const QString &ano, const QString &mes)
{
    const QString K = cnpj;
    return {
        emLine(cnpj, QStringLiteral("Química Exemplo Ltda"), QStringLiteral("10X 11111")),
        meLine(K, ano, mes),
        prLine(K, ano, mes),
        pfLine(K, ano, mes),
        spLine(K, ano, mes),
        Line(QStringLiteral("MV")).key(K, ano, mes)
            .put(24, 25, QStringLiteral("05")).put(26, 30, QStringLiteral("1.102")).put(31, 36, QStringLiteral("98"))
            .put(37, 56, QStringLiteral("12,345")).put(57, 62, QStringLiteral("Kg")).put(63, 72, QStringLiteral("NF-1"))
            .put(73, 86, QStringLiteral("11222333000181")).put(87, 100, QStringLiteral("12345678909"))
            .put(101, 110, QStringLiteral("2207.10.00")).put(111, 180, QStringLiteral("Álcool")),
        Line(QStringLiteral("IE")).key(K, ano, mes)
            .put(24, 29, QStringLiteral("150")).put(30, 49, QStringLiteral("3,5")).put(50, 55, QStringLiteral("Kg"))
            .put(56, 75, QStringLiteral("LI-77")).put(76, 85, QStringLiteral("NF-2"))
            .put(86, 99, QStringLiteral("11222333000181")).put(100, 199, QStringLiteral("Importadora Ltda"))
            .put(200, 202, QStringLiteral("249"), true).put(203, 203, QStringLiteral("E"))
            .put(204, 213, QStringLiteral("2207.10.00")).put(214, 283, QStringLiteral("Álcool")),
        Line(QStringLiteral("AM")).key(K, ano, mes)
            .put(24, 33, QStringLiteral("2207.10.00")).put(34, 103, QStringLiteral("Álcool armazenado"))
            .put(104, 109, QStringLiteral("50")).put(110, 129, QStringLiteral("1,25")).put(130, 149, QStringLiteral("2,5"))
            .put(150, 155, QStringLiteral("litro")).put(156, 169, QStringLiteral("11222333000181")),
        Line(QStringLiteral("MA")).key(K, ano, mes)
            .put(24, 25, QStringLiteral("07")).put(26, 26, QStringLiteral("E")).put(27, 46, QStringLiteral("4"))
            .put(47, 52, QStringLiteral("Kg")).put(53, 62, QStringLiteral("NF-3"))
            .put(63, 76, QStringLiteral("11222333000181")).put(77, 90, QStringLiteral("99888777000166"))
            .put(91, 96, QStringLiteral("120")).put(97, 106, QStringLiteral("2207.10.00"))
            .put(107, 176, QStringLiteral("Álcool")),
        Line(QStringLiteral("TP")).key(K, ano, mes)
            .put(24, 25, QStringLiteral("08")).put(26, 26, QStringLiteral("Z")).put(27, 32, QStringLiteral("50"))
            .put(33, 52, QStringLiteral("5")).put(53, 58, QStringLiteral("Kg")).put(59, 64, QStringLiteral("123"), true)
            .put(65, 78, QStringLiteral("11222333000181")).put(79, 80, QStringLiteral("SP"))
            .put(81, 94, QStringLiteral("99888777000166")).put(95, 96, QStringLiteral("RJ"))
            .put(97, 106, QStringLiteral("2207.10.00")).put(107, 176, QStringLiteral("Álcool")),
        Line(QStringLiteral("RS")).key(K, ano, mes)
            .put(24, 29, QStringLiteral("7"), true).put(30, 35, QStringLiteral("50")).put(36, 55, QStringLiteral("6"))
            .put(56, 61, QStringLiteral("Kg")).put(62, 86, QStringLiteral("Incineração"))
            .put(87, 96, QStringLiteral("2207.10.00")).put(97, 166, QStringLiteral("Álcool")),
        Line(QStringLiteral("MR")).key(K, ano, mes)
            .put(24, 25, QStringLiteral("09")).put(26, 26, QStringLiteral("S")).put(27, 46, QStringLiteral("7"))
            .put(47, 52, QStringLiteral("Kg")).put(53, 58, QStringLiteral("50")).put(59, 68, QStringLiteral("NF-4"))
            .put(69, 82, QStringLiteral("11222333000181")).put(83, 96, QStringLiteral("99888777000166"))
            .put(97, 106, QStringLiteral("2207.10.00")).put(107, 176, QStringLiteral("Álcool")),
        obLine(K, ano, mes, QStringLiteral("A")),
        ooLine(QStringLiteral("Primeira linha da observação   ")),
        ooLine(QStringLiteral("Segunda linha")),
    };
}

// The file's bytes: Windows-1252, lines ended by CR LF.
inline QByteArray fileBytes(const QStringList &lines)
{
    Result<QByteArray> b = cp1252::encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    EXPECT_TRUE(b.ok()) << qPrintable(b.message());
    return b.ok() ? *b : QByteArray();
}

// Every row of every table that an import can touch, as text, to prove that
// a failed import left the store exactly as it was.
inline QString dumpTables(QSqlDatabase db)
{
    QString out;
    for (const char *t : {"Empresa", "Mes", "Produtos", "ProdutoFinal", "SubstanciaPresente", "Movimentacao", "Importacao",
                          "Armazenagem", "MovArmazenagem", "Transporte", "Residuo", "Isolado", "MovResiduo", "Observacoes"}) {
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QString::fromLatin1(t))));
        out += QString::fromLatin1(t) + QLatin1Char('\n');
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells.append(q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            out += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
        }
    }
    // The auto-increment counters too: a rolled-back insert must not use up a
    // number (on SQLite; the server's counters are outside transactions).
    QSqlQuery q(db);
    if (!onServer() && q.exec(QStringLiteral("SELECT name, seq FROM sqlite_sequence ORDER BY name")))
        while (q.next())
            out += q.value(0).toString() + QLatin1Char('=') + q.value(1).toString() + QLatin1Char('\n');
    return out;
}

} // namespace quirels::test
