#include "Help.h"

#include <algorithm>

namespace quirels::cli::help {

namespace {

QString s(const char *text) { return QString::fromUtf8(text); }

} // namespace

const QList<Entry> &entries()
{
    static const QList<Entry> all{
        {s("inicializar"), QString(),
         s("cria a pasta de dados, as tabelas e os dados de referência que faltam"),
         s("Nenhum argumento. Linhas existentes nunca são alteradas nem removidas."), QString(),
         s("quirels-cli --dados ~/dados inicializar")},
        {s("importar-txt"), s("ARQUIVO"),
         s("importa o arquivo texto de um mês, com as mesmas regras e perguntas da tela"),
         s("ARQUIVO: o arquivo texto a importar."),
         s("a importação foi recusada por uma regra ou por uma resposta \"Não\""),
         s("quirels-cli --sim importar-txt marco.txt")},
        {s("importar-xml"), s("ARQUIVO"), s("importa um arquivo de dados completo (XML) e grava o mês"),
         s("ARQUIVO: o arquivo XML completo de um mês."), QString(), s("quirels-cli importar-xml mes.xml")},
        {s("abrir"), s("CNPJ ANO MES"),
         s("abre o mês: cria-o quando falta e traz o estoque do mês anterior"),
         s("CNPJ: a empresa (só dígitos ou com pontuação).\nANO: quatro dígitos.\nMES: JAN, FEV, MAR, ..., DEZ."),
         s("a empresa não está cadastrada ou a inclusão do mês foi recusada (\"Não\")"),
         s("quirels-cli --sim abrir 11222333000181 2024 MAR")},
        {s("validar"), s("CNPJ ANO MES"),
         s("valida o mês e lista cada verificação, alertas e erros"),
         s("CNPJ, ANO, MES: o mês a validar.\nImprime \"Status<TAB>Local\" por linha e os totais de itens, alertas e erros."),
         s("a validação encontrou erros"), s("quirels-cli validar 11222333000181 2024 MAR")},
        {s("gerar"), s("CNPJ ANO MES [--pasta PASTA]"),
         s("valida o mês e grava o arquivo de declaração e o arquivo de dados completo"),
         s("CNPJ, ANO, MES: o mês a gerar.\n--pasta PASTA: onde gravar (padrão: a pasta \"Arquivo XML\" da configuração)."),
         s("a validação encontrou erros ou falta o responsável da empresa"),
         s("quirels-cli gerar 11222333000181 2024 MAR --pasta ~/declaracoes")},
        {s("excluir"), s("CNPJ [ANO MES]"), s("exclui um mês ou a empresa inteira, com as mesmas confirmações da tela"),
         s("CNPJ: a empresa.\nANO MES: o mês a excluir; sem eles, a empresa inteira."),
         s("a empresa não está cadastrada ou a exclusão foi recusada (\"Não\")"),
         s("quirels-cli --sim excluir 11222333000181 2024 MAR")},
        {s("backup"), s("ARQUIVO.bck [ARQUIVO...] [--volume BYTES] [--nivel 0|1|6|9] [--titulo T] [--sem-lista]"),
         s("compacta arquivos (os da pasta de dados, por exemplo) numa cópia de segurança"),
         s("ARQUIVO.bck: a cópia a criar.\nARQUIVO...: os arquivos a guardar (opcionais com o banco num servidor, cuja cópia vai junto).\n--volume BYTES: tamanho máximo de "
           "cada volume (0: sem limite).\n--nivel 0|1|6|9: nível de compactação.\n--titulo T: o título da cópia.\n"
           "--sem-lista: sem a lista de informações dos arquivos."),
         QString(), s("quirels-cli backup copia.bck dados/quirels.db")},
        {s("restaurar"), s("ARQUIVO.bck [--destino PASTA] [--caminho-completo]"),
         s("restaura os arquivos de uma cópia de segurança"),
         s("ARQUIVO.bck: a cópia (os volumes seguintes são procurados ao lado).\n--destino PASTA: restaura nesta "
           "pasta em vez dos caminhos guardados.\n--caminho-completo: com --destino, mantém as pastas guardadas."),
         s("a restauração foi recusada (\"Não\") ou não restaurou todos os arquivos"),
         s("quirels-cli --sim restaurar copia.bck --destino /tmp/restaurado")},
        {s("conteudo"), s("ARQUIVO.bck"), s("lista o título e os arquivos de uma cópia de segurança"),
         s("ARQUIVO.bck: a cópia a listar."), QString(), s("quirels-cli conteudo copia.bck")},
        {s("imprimir"), s("CNPJ ANO MES ANEXO [--variante produto|nota|data] --pdf ARQUIVO.pdf"),
         s("imprime o mapa de um anexo (ou de todos) num arquivo PDF"),
         s("CNPJ, ANO, MES: o mês.\nANEXO: uma letra de A a H, ou \"todos\".\n--variante produto|nota|data: o "
           "agrupamento dos anexos B, C, E e F (padrão: data).\n--pdf ARQUIVO.pdf: o arquivo a gravar."),
         s("não há nada a imprimir"), s("quirels-cli imprimir 11222333000181 2024 MAR todos --pdf mes.pdf")},
        {s("importar-nfe"), s("CNPJ ANO MES ARQUIVO_OU_PASTA... [--completar]"),
         s("importa as notas fiscais eletrônicas (NF-e) do mês nos anexos XI-B e XI-C"),
         s("CNPJ, ANO, MES: o mês.\nARQUIVO_OU_PASTA...: arquivos XML, pastas (lidas com as subpastas) e "
           "arquivos .zip.\n--completar: deixa de fora as linhas incompletas em vez de recusar a importação."),
         s("há linhas incompletas (sem --completar); nada foi gravado"),
         s("quirels-cli importar-nfe 11222333000181 2024 MAR notas/ lote.zip")},
        {s("migrar"), s("--para-servidor URL"), s("copia a pasta de dados para um banco PostgreSQL vazio"),
         s("--para-servidor URL: postgresql://USUARIO@MAQUINA:PORTA/BANCO; a senha vem de PGPASSWORD ou do "
           "arquivo de senhas."),
         QString(), s("quirels-cli --dados dados migrar --para-servidor postgresql://quirels@servidor:5432/quirels")},
        {s("tabelas"), s("atualizar PASTA"), s("atualiza as tabelas de referência a partir de arquivos CSV"),
         s("atualizar PASTA: lê produtos_controlados.csv, cnae.csv, cfop.csv e paises.csv (qualquer parte "
           "deles) desta pasta."),
         s("um arquivo foi recusado; nada foi alterado"), s("quirels-cli tabelas atualizar ~/tabelas-novas")},
        {s("totalizar"), s("CNPJ ANO MES [--aplicar]"),
         s("calcula os totais do anexo XI-A a partir dos anexos XI-B e XI-C"),
         s("CNPJ, ANO, MES: o mês.\n--aplicar: grava os valores calculados."), QString(),
         s("quirels-cli totalizar 11222333000181 2024 MAR --aplicar")},
        {s("ano"), s("CNPJ ANO (--pdf ARQUIVO.pdf | --csv ARQUIVO.csv)"),
         s("mostra o ano de cada produto: estoque inicial, entradas, saídas e estoque final por mês"),
         s("CNPJ, ANO: a empresa e o ano.\n--pdf ARQUIVO.pdf ou --csv ARQUIVO.csv: o arquivo a gravar."), QString(),
         s("quirels-cli ano 11222333000181 2024 --csv ano.csv")},
    };
    return all;
}

const QList<GlobalOption> &globalOptions()
{
    static const QList<GlobalOption> all{
        {s("--dados PASTA"), s("a pasta de dados; sem ela, a mesma que o programa Quirels usa")},
        {s("--servidor URL"), s("usa o banco PostgreSQL em URL (postgresql://USUARIO@MAQUINA:PORTA/BANCO)")},
        {s("--sim"), s("responde \"Sim\" a toda confirmação (sem ela, \"Não\")")},
        {s("--help"), s("mostra esta ajuda; COMANDO --help mostra a ajuda do comando")},
        {s("--version"), s("mostra a versão")},
    };
    return all;
}

const Entry *find(const QString &name)
{
    for (const Entry &e : entries())
        if (e.name == name)
            return &e;
    return nullptr;
}

QString overview(const QStringList &commands)
{
    qsizetype width = 0;
    for (const QString &c : commands)
        width = std::max(width, c.size());
    QString t = kUsageLine + QStringLiteral("\n\n") + kAbout + QStringLiteral("\n\nComandos:\n");
    for (const QString &c : commands) {
        const Entry *e = find(c);
        t += QStringLiteral("  ") + c.leftJustified(width + 2) + (e ? e->summary : QString()) + QLatin1Char('\n');
    }
    t += QStringLiteral("\nOpções:\n");
    for (const GlobalOption &o : globalOptions())
        t += QStringLiteral("  ") + o.name.leftJustified(16) + o.text + QLatin1Char('\n');
    t += QStringLiteral("\nCódigos de saída: 0 ") + kExitOk + QStringLiteral("; 1 ") + kExitRefused + QStringLiteral("; 2 ") +
         kExitUsage + QStringLiteral(".\nUse \"quirels-cli COMANDO --help\" para os argumentos e um exemplo de cada comando.\n");
    return t;
}

QString commandHelp(const Entry &e)
{
    QString t = QStringLiteral("Uso: quirels-cli [--dados PASTA] [--servidor URL] [--sim] ") + e.name +
                (e.usage.isEmpty() ? QString() : QLatin1Char(' ') + e.usage) + QStringLiteral("\n\n") + e.summary +
                QStringLiteral(".\n\n");
    for (const QString &line : e.details.split(QLatin1Char('\n')))
        t += QStringLiteral("  ") + line + QLatin1Char('\n');
    t += QStringLiteral("\nCódigos de saída:\n  0  ") + kExitOk + QLatin1Char('\n');
    if (!e.refused.isEmpty())
        t += QStringLiteral("  1  ") + e.refused + QLatin1Char('\n');
    t += QStringLiteral("  2  ") + kExitUsage + QStringLiteral("\n\nExemplo:\n  ") + e.example + QLatin1Char('\n');
    return t;
}

} // namespace quirels::cli::help
