// The electronic invoice import of a month of 5,000 invoice files of 20
// items each (read, filtered, turned into rows and stored) against reading
// the same files with `xmllint --stream` as the baseline.

#include "BenchSupport.h"

#include "exchange/NfeImport.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

using namespace quirels;
namespace nfe = quirels::exchange::nfe;

namespace {

const int kFiles = qEnvironmentVariableIsSet("QUIRELS_BENCH_FILES") ? qEnvironmentVariableIntValue("QUIRELS_BENCH_FILES") : 5000;
constexpr int kItems = 20;
const QString kCompany = QStringLiteral("11222333000181");

[[noreturn]] void die(const QString &why)
{
    std::fprintf(stderr, "bench_nfeimport: %s\n", qPrintable(why));
    std::exit(2);
}

// Four controlled products and one that is not.
const char *const kNcms[] = {"28061020", "28070010", "28012010", "29141100", "39233000"};

// A CNPJ of the 12 digits given and the two check digits that make it valid.
QString cnpjWithCheckDigits(const QString &twelve)
{
    QString out = twelve;
    for (int length = 12; length <= 13; ++length) {
        int sum = 0;
        for (int i = 0; i < length; ++i)
            sum += out.at(length - 1 - i).digitValue() * (2 + i % 8);
        const int rest = sum % 11;
        out += QChar(u'0' + (rest < 2 ? 0 : 11 - rest));
    }
    return out;
}

// One invoice as an issuer's system writes it: every group of the layout
// that a real file carries (taxes, totals, transport, payment, signature).
QByteArray invoice(int n)
{
    const bool bought = n % 2 == 0;
    // 97 trading partners: branches of one company, each with valid check digits.
    const QString other = cnpjWithCheckDigits(QStringLiteral("11444777%1").arg(1 + n % 97, 4, 10, QLatin1Char('0')));
    const QString issuer = bought ? other : kCompany;
    const QString recipient = bought ? kCompany : other;
    const QString key = QStringLiteral("3524031144477700016155001%1%2")
                            .arg(n, 9, 10, QLatin1Char('0'))
                            .arg(n, 10, 10, QLatin1Char('0'));
    QString x;
    x.reserve(40000);
    x += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                        "<nfeProc xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">"
                        "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe%1\" versao=\"4.00\">")
             .arg(key);
    x += QStringLiteral("<ide><cUF>35</cUF><cNF>%1</cNF><natOp>VENDA DE PRODUCAO DO ESTABELECIMENTO</natOp><mod>55</mod>"
                        "<serie>1</serie><nNF>%2</nNF><dhEmi>2024-03-%3T10:00:00-03:00</dhEmi>"
                        "<dhSaiEnt>2024-03-%3T11:00:00-03:00</dhSaiEnt><tpNF>1</tpNF><idDest>1</idDest>"
                        "<cMunFG>3550308</cMunFG><tpImp>1</tpImp><tpEmis>1</tpEmis><cDV>1</cDV><tpAmb>1</tpAmb>"
                        "<finNFe>1</finNFe><indFinal>0</indFinal><indPres>9</indPres><procEmi>0</procEmi>"
                        "<verProc>ERP 5.2.1</verProc></ide>")
             .arg(n % 100000000, 8, 10, QLatin1Char('0'))
             .arg(n)
             .arg(n % 28 + 1, 2, 10, QLatin1Char('0'));
    const auto address = [](const char *tag) {
        return QStringLiteral("<%1><xLgr>AVENIDA DAS INDUSTRIAS QUIMICAS</xLgr><nro>1500</nro><xCpl>GALPAO 3</xCpl>"
                              "<xBairro>DISTRITO INDUSTRIAL</xBairro><cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF>"
                              "<CEP>04000000</CEP><cPais>1058</cPais><xPais>BRASIL</xPais><fone>1133334444</fone></%1>")
            .arg(QLatin1String(tag));
    };
    x += QStringLiteral("<emit><CNPJ>%1</CNPJ><xNome>INDUSTRIA QUIMICA EMITENTE LTDA</xNome><xFant>EMITENTE</xFant>")
             .arg(issuer) +
         address("enderEmit") + QStringLiteral("<IE>111222333444</IE><CRT>3</CRT></emit>");
    x += QStringLiteral("<dest><CNPJ>%1</CNPJ><xNome>DESTINATARIO COMERCIO DE PRODUTOS LTDA</xNome>").arg(recipient) +
         address("enderDest") + QStringLiteral("<indIEDest>1</indIEDest><IE>555666777888</IE><email>compras@example.com</email></dest>");
    for (int i = 1; i <= kItems; ++i) {
        const char *ncm = kNcms[(n + i) % 5];
        x += QStringLiteral(
                 "<det nItem=\"%1\"><prod><cProd>PRD%2</cProd><cEAN>SEM GTIN</cEAN>"
                 "<xProd>PRODUTO QUIMICO %2 GRAU TECNICO EMBALAGEM 50 KG</xProd><NCM>%3</NCM><CEST>0100100</CEST>"
                 "<CFOP>5101</CFOP><uCom>%4</uCom><qCom>%5.0000</qCom><vUnCom>12.3456000000</vUnCom>"
                 "<vProd>1234.56</vProd><cEANTrib>SEM GTIN</cEANTrib><uTrib>KG</uTrib><qTrib>%5.0000</qTrib>"
                 "<vUnTrib>12.3456000000</vUnTrib><indTot>1</indTot><xPed>PED-%2</xPed><nItemPed>%1</nItemPed></prod>"
                 "<imposto><vTotTrib>300.00</vTotTrib><ICMS><ICMS00><orig>0</orig><CST>00</CST><modBC>3</modBC>"
                 "<vBC>1234.56</vBC><pICMS>18.0000</pICMS><vICMS>222.22</vICMS></ICMS00></ICMS>"
                 "<IPI><cEnq>999</cEnq><IPITrib><CST>50</CST><vBC>1234.56</vBC><pIPI>5.0000</pIPI><vIPI>61.73</vIPI></IPITrib></IPI>"
                 "<PIS><PISAliq><CST>01</CST><vBC>1234.56</vBC><pPIS>1.6500</pPIS><vPIS>20.37</vPIS></PISAliq></PIS>"
                 "<COFINS><COFINSAliq><CST>01</CST><vBC>1234.56</vBC><pCOFINS>7.6000</pCOFINS><vCOFINS>93.83</vCOFINS>"
                 "</COFINSAliq></COFINS></imposto></det>")
                 .arg(i)
                 .arg(i + n % 50)
                 .arg(QLatin1String(ncm))
                 .arg(i % 3 == 0 ? QStringLiteral("TON") : QStringLiteral("KG"))
                 .arg(10 * i + n % 7);
    }
    x += QStringLiteral("<total><ICMSTot><vBC>24691.20</vBC><vICMS>4444.40</vICMS><vICMSDeson>0.00</vICMSDeson>"
                        "<vFCP>0.00</vFCP><vBCST>0.00</vBCST><vST>0.00</vST><vFCPST>0.00</vFCPST><vFCPSTRet>0.00</vFCPSTRet>"
                        "<vProd>24691.20</vProd><vFrete>0.00</vFrete><vSeg>0.00</vSeg><vDesc>0.00</vDesc><vII>0.00</vII>"
                        "<vIPI>1234.60</vIPI><vIPIDevol>0.00</vIPIDevol><vPIS>407.40</vPIS><vCOFINS>1876.60</vCOFINS>"
                        "<vOutro>0.00</vOutro><vNF>25925.80</vNF></ICMSTot></total>"
                        "<transp><modFrete>0</modFrete><transporta><CNPJ>45543915000181</CNPJ>"
                        "<xNome>TRANSPORTES RAPIDOS LTDA</xNome><IE>999888777666</IE><xEnder>RODOVIA BR 116 KM 10</xEnder>"
                        "<xMun>GUARULHOS</xMun><UF>SP</UF></transporta><vol><qVol>40</qVol><esp>SACO</esp>"
                        "<pesoL>1000.000</pesoL><pesoB>1010.000</pesoB></vol></transp>"
                        "<pag><detPag><tPag>15</tPag><vPag>25925.80</vPag></detPag></pag>"
                        "<infAdic><infCpl>PRODUTO CONTROLADO. MANTER AFASTADO DE CALOR.</infCpl></infAdic>"
                        "</infNFe>");
    x += QStringLiteral("<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
                        "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
                        "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"
                        "<Reference URI=\"#NFe%1\"><Transforms>"
                        "<Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
                        "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
                        "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"
                        "<DigestValue>c2lnbmF0dXJlZGlnZXN0dmFsdWU=</DigestValue></Reference></SignedInfo>"
                        "<SignatureValue>%2</SignatureValue><KeyInfo><X509Data><X509Certificate>%3</X509Certificate>"
                        "</X509Data></KeyInfo></Signature></NFe>")
             .arg(key, QString(QLatin1Char('A')).repeated(344), QString(QLatin1Char('B')).repeated(2200));
    x += QStringLiteral("<protNFe versao=\"4.00\"><infProt><tpAmb>1</tpAmb><verAplic>SP_NFE_PL009_V4</verAplic>"
                        "<chNFe>%1</chNFe><dhRecbto>2024-03-01T10:00:01-03:00</dhRecbto><nProt>135240000%2</nProt>"
                        "<digVal>c2lnbmF0dXJlZGlnZXN0dmFsdWU=</digVal><cStat>100</cStat>"
                        "<xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe></nfeProc>")
             .arg(key)
             .arg(n, 6, 10, QLatin1Char('0'));
    return x.toUtf8();
}

// xmllint --stream over every file, in batches that fit a command line.
double xmllint(const QStringList &files)
{
    QElapsedTimer t;
    t.start();
    for (qsizetype at = 0; at < files.size(); at += 1000) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral("xmllint"), QStringList{QStringLiteral("--stream"), QStringLiteral("--noout")} + files.mid(at, 1000));
        if (!p.waitForStarted())
            die(QStringLiteral("xmllint could not be started (apt-get install libxml2-utils)"));
        p.waitForFinished(-1);
        if (p.exitCode() != 0)
            die(QStringLiteral("xmllint failed"));
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

double importOnce(const QString &folder, const QString &input, int run)
{
    const QString data = folder + QStringLiteral("/dados%1").arg(run);
    store::OpenOptions o;
    o.connection = QStringLiteral("bench%1").arg(run);
    if (Status s = store::initializeDataFolder(data, bench::storeOptions(data, o)); !s)
        die(s.message());
    double took = 0;
    {
        Result<QSqlDatabase> db = store::open(data, bench::storeOptions(data, o));
        if (!db)
            die(db.message());
        QSqlQuery q(*db);
        q.exec(QStringLiteral("INSERT INTO Empresa (CdCNPJEmpr, NmRazao) VALUES ('%1', 'EMPRESA')").arg(kCompany));
        q.exec(QStringLiteral("INSERT INTO Mes VALUES ('%1', '2024', 'MAR')").arg(kCompany));
        for (const char *ncm : kNcms)
            q.exec(QStringLiteral("INSERT INTO Produtos (CdCNPJEmpr, NrAno, NmMes, CdNCM, VlConcentracao) "
                                  "VALUES ('%1', '2024', 'MAR', '%2', 98)")
                       .arg(kCompany, nfe::formatNcm(QLatin1String(ncm))));
        const PeriodKey period{kCompany, QStringLiteral("2024"), QStringLiteral("MAR")};
        int rows = 0;
        took = bench::seconds([&] {
            Result<nfe::Scan> scan = nfe::scan(*db, period, {input});
            if (!scan)
                die(scan.message());
            Result<nfe::StoreResult> r = nfe::store(*db, *scan, {});
            if (!r || r->refused)
                die(QStringLiteral("the import failed: ") + (r ? QStringLiteral("incomplete rows") : r.message()));
            rows = r->rowsB + r->rowsC;
        });
        const int expected = kFiles * kItems * 4 / 5; // one NCM in five is not controlled
        if (rows != expected)
            die(QStringLiteral("%1 rows imported, %2 expected").arg(rows).arg(expected));
    }
    store::close(o.connection);
    return took;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (QStandardPaths::findExecutable(QStringLiteral("xmllint")).isEmpty())
        die(QStringLiteral("xmllint is needed (apt-get install libxml2-utils)"));
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("notas"));
    QStringList files;
    for (int n = 1; n <= kFiles; ++n) {
        const QString sub = input + QStringLiteral("/%1").arg(n % 10);
        QDir().mkpath(sub);
        const QString path = sub + QStringLiteral("/nfe%1.xml").arg(n, 6, 10, QLatin1Char('0'));
        QFile f(path);
        const QByteArray bytes = invoice(n);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            die(QStringLiteral("cannot write ") + path);
        files.append(path);
    }
    // Both read files already in the page cache: the baseline runs first.
    const double baseline = std::min(xmllint(files), xmllint(files));
    const double ours = std::min(importOnce(dir.path(), input, 1), importOnce(dir.path(), input, 2));
    bench::report(QStringLiteral("nfeimport (5,000 invoices of 20 items)"), ours, baseline);
    return 0;
}
