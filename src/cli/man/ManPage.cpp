// Writes the manual page of quirels-cli (roff) and its bash completion from
// the help table, so that they and "quirels-cli --help" never disagree.
//   quirels-cli-man VERSION > quirels-cli.1
//   quirels-cli-man --completion > quirels-cli

#include "cli/Help.h"

#include <QDate>
#include <QTextStream>
#include <QRegularExpression>
#include <cstdio>
#include <cstring>

using namespace quirels::cli;

namespace {

// Roff text: backslashes doubled, hyphens of options kept as hyphens, a line
// that would start with a control character protected.
QString roff(const QString &text)
{
    QString t = text;
    t.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    t.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    QStringList lines = t.split(QLatin1Char('\n'));
    for (QString &l : lines)
        if (l.startsWith(QLatin1Char('.')) || l.startsWith(QLatin1Char('\'')))
            l.prepend(QStringLiteral("\\&"));
    return lines.join(QLatin1Char('\n'));
}

// The options of a usage text ("--pasta", "--variante", ...).
QStringList optionsOf(const QString &usage)
{
    QStringList out;
    static const QRegularExpression option(QStringLiteral("--[a-z-]+"));
    for (auto it = option.globalMatch(usage); it.hasNext();) {
        const QString o = it.next().captured(0);
        if (!out.contains(o))
            out << o;
    }
    return out;
}

QString completion()
{
    QStringList names, global;
    for (const help::Entry &e : help::entries())
        names << e.name;
    for (const help::GlobalOption &g : help::globalOptions())
        global << g.name.section(QLatin1Char(' '), 0, 0);
    QString t = QStringLiteral(
        "# bash completion for quirels-cli (written from its help table)\n"
        "_quirels_cli()\n{\n"
        "    local cur prev words cword\n"
        "    _init_completion || return\n"
        "    case $prev in\n"
        "        --dados|--pasta|--destino) _filedir -d; return ;;\n"
        "        --pdf) _filedir pdf; return ;;\n"
        "        --csv) _filedir csv; return ;;\n"
        "        --servidor|--para-servidor|--volume|--titulo) return ;;\n"
        "        --nivel) COMPREPLY=($(compgen -W '0 1 6 9' -- \"$cur\")); return ;;\n"
        "        --variante) COMPREPLY=($(compgen -W 'produto nota data' -- \"$cur\")); return ;;\n"
        "    esac\n"
        "    local i command=\n"
        "    for ((i = 1; i < cword; i++)); do\n"
        "        case ${words[i]} in\n"
        "            --dados|--servidor) ((i++)) ;;\n"
        "            -*) ;;\n"
        "            *) command=${words[i]}; break ;;\n"
        "        esac\n"
        "    done\n"
        "    if [[ -z $command ]]; then\n"
        "        if [[ $cur == -* ]]; then\n"
        "            COMPREPLY=($(compgen -W '%1' -- \"$cur\"))\n"
        "        else\n"
        "            COMPREPLY=($(compgen -W '%2' -- \"$cur\"))\n"
        "        fi\n"
        "        return\n"
        "    fi\n"
        "    case $command in\n").arg(global.join(QLatin1Char(' ')), names.join(QLatin1Char(' ')));
    for (const help::Entry &e : help::entries()) {
        const QStringList options = optionsOf(e.usage) << QStringLiteral("--help");
        t += QStringLiteral("        %1)\n            if [[ $cur == -* ]]; then\n"
                            "                COMPREPLY=($(compgen -W '%2' -- \"$cur\"))\n")
                 .arg(e.name, options.join(QLatin1Char(' ')));
        if (e.name == QLatin1String("imprimir"))
            t += QStringLiteral("            elif ((cword == i + 4)); then\n"
                                "                COMPREPLY=($(compgen -W 'A B C D E F G H todos' -- \"$cur\"))\n");
        if (e.name == QLatin1String("tabelas"))
            t += QStringLiteral("            elif ((cword == i + 1)); then\n"
                                "                COMPREPLY=($(compgen -W 'atualizar' -- \"$cur\"))\n");
        t += QStringLiteral("            else\n                _filedir\n            fi\n            ;;\n");
    }
    t += QStringLiteral("    esac\n} &&\n    complete -F _quirels_cli quirels-cli\n");
    return t;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--completion") == 0) {
        const QByteArray b = completion().toUtf8();
        std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stdout);
        return 0;
    }
    const QString version = argc > 1 ? QString::fromUtf8(argv[1]) : QString();
    QString out;
    QTextStream o(&out);
    o << ".TH QUIRELS\\-CLI 1 \"\" \"Quirels " << roff(version) << "\" \"Comandos do usuário\"\n";
    o << ".SH NOME\nquirels\\-cli \\- as operações do Quirels sem janela\n";
    o << ".SH SINOPSE\n.B quirels\\-cli\n[\\-\\-dados PASTA] [\\-\\-servidor URL] [\\-\\-sim] COMANDO [ARGUMENTOS]\n.br\n"
         ".B quirels\\-cli\nCOMANDO \\-\\-help\n.br\n.B quirels\\-cli\n\\-\\-help | \\-\\-version\n";
    o << ".SH DESCRIÇÃO\n" << roff(help::kAbout) << "\n.PP\n"
      << roff(QStringLiteral("As mensagens saem na saída padrão; as falhas, na saída de erro. Uma operação longa mostra "
                             "o progresso na saída de erro quando ela é um terminal."))
      << "\n";
    o << ".SH OPÇÕES\n";
    for (const help::GlobalOption &g : help::globalOptions())
        o << ".TP\n.B " << roff(g.name) << "\n" << roff(g.text) << "\n";
    o << ".SH COMANDOS\n";
    for (const help::Entry &e : help::entries()) {
        o << ".TP\n.B " << roff(e.name) << (e.usage.isEmpty() ? QString() : QStringLiteral(" ") + roff(e.usage)) << "\n"
          << roff(e.summary) << ".\n";
        for (const QString &line : e.details.split(QLatin1Char('\n')))
            o << ".br\n" << roff(line) << "\n";
        if (!e.refused.isEmpty())
            o << ".br\n" << roff(QStringLiteral("Saída 1: ") + e.refused + QLatin1Char('.')) << "\n";
        o << ".br\n" << roff(QStringLiteral("Exemplo: ")) << "\\fB" << roff(e.example) << "\\fR\n";
    }
    o << ".SH CÓDIGOS DE SAÍDA\n.TP\n.B 0\n" << roff(help::kExitOk) << "\n.TP\n.B 1\n" << roff(help::kExitRefused)
      << "; o que isso significa em cada comando está na sua descrição acima\n.TP\n.B 2\n" << roff(help::kExitUsage) << "\n";
    o << ".SH ARQUIVOS\n"
      << roff(QStringLiteral(
             "Instalado, o programa guarda a configuração em $XDG_CONFIG_HOME/quirels/quirels.ini "
             "(~/.config/quirels/quirels.ini), os dados em $XDG_DATA_HOME/quirels/dados "
             "(~/.local/share/quirels/dados) e os arquivos de declaração em ~/Documentos/Quirels; a configuração "
             "do banco de toda a máquina fica em /etc/quirels/armazenamento.ini. Executado de uma pasta em que se "
             "pode gravar (uma cópia portátil), a configuração fica ao lado do programa e os dados na pasta atual "
             "(\"dados\")."))
      << "\n";
    o << ".SH VEJA TAMBÉM\n.BR quirels (1)\n";
    o.flush();
    const QByteArray b = out.toUtf8();
    std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stdout);
    return 0;
}
