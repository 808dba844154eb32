#pragma once
// The data store's user texts, used by the record rules, the cursors, the
// screens, the command-line tool and the tests.

#include <QString>

namespace quirels::store::msg {

// Required fields of the products of annex XI-A.
inline const QString kProdutoCodigoOuNome = QStringLiteral("É necessário informar o código ou o nome do produto.");
inline const QString kConcentracao = QStringLiteral("É necessário informar o valor de concentração.");
inline const QString kDensidadeProduto = QStringLiteral("É necessário informar o valor da densidade.");
inline const QString kUnidadeEstoqueAtual = QStringLiteral("É necessário informar a unidade de medida do estoque atual.");

// Final products and the substances present in them.
inline const QString kCodigoProduto = QStringLiteral("É necessário informar o código do produto.");
inline const QString kDensidadeFinal = QStringLiteral("É necessário informar o valor de densidade.");
inline const QString kQuantidadeFinal = QStringLiteral("É necessário informar a quantidade do produto final obtida.");
inline const QString kQuantidadeFinalPositiva =
    QStringLiteral("Na quantidade do produto final obtido não é permitido a inserção de zero ou valores negativos.");
inline const QString kUnidade = QStringLiteral("É necessário informar a unidade de medida.");

// Range rule of concentrations and densities: the value, the field name, the
// lowest and the highest value, each number in the general format.
inline const QString kForaDaFaixa =
    QStringLiteral("%1 Não é um valor válido para o campo '%2'. A faixa permitida é de %3 até %4");

// A text longer than its field: the field name and its width.
inline const QString kTextoLongo = QStringLiteral("O valor do campo '%1' excede o tamanho máximo de %2 caracteres.");
// A value that is not a number for a numeric field: the value and the field.
inline const QString kNaoNumerico = QStringLiteral("'%1' não é um valor válido para o campo '%2'.");

// Opening the store: the path and the store's own message.
inline const QString kBancoInvalido = QStringLiteral(
    "O arquivo \"%1\" não é um banco de dados válido deste programa. Verifique a pasta de dados ou restaure a cópia de segurança mais recente.");
inline const QString kBancoBloqueado = QStringLiteral(
    "O banco de dados \"%1\" está sendo usado por outro programa. Aguarde que o outro programa termine (ou feche-o) e tente novamente.");
// A store written by a newer program: its version and ours.
inline const QString kVersaoMaisNova =
    QStringLiteral("O banco de dados foi gravado por uma versão mais nova do programa (versão %1; esta versão lê até a %2).");
// The data folder (or the store in it) cannot be written: the folder.
inline const QString kPastaSomenteLeitura =
    QStringLiteral("A pasta de dados \"%1\" não permite gravação. Verifique as permissões da pasta.");
inline const QString kArquivoNaoExcluido = QStringLiteral("Não foi possível excluir o arquivo \"%1\".");

// Store failures (StoreError.h): what failed and what to do. The technical
// text goes to the log file, never to the user.
inline const QString kFalhaOcupado = QStringLiteral(
    "O banco de dados está sendo usado por outro programa. Aguarde que o outro programa termine (ou feche-o) e tente novamente.");
inline const QString kFalhaDanificado = QStringLiteral(
    "O banco de dados está danificado. Use \"Reparar Tabelas\" ou restaure a cópia de segurança mais recente.");
inline const QString kFalhaSemEspaco =
    QStringLiteral("Não há espaço livre no disco da pasta de dados. Libere espaço e tente novamente.");
inline const QString kFalhaSomenteLeitura = QStringLiteral(
    "Não é permitido gravar no banco de dados. Verifique as permissões da pasta de dados e do arquivo \"quirels.db\".");
inline const QString kFalhaAbrir = QStringLiteral(
    "Não foi possível abrir o banco de dados. Verifique se a pasta de dados existe e está acessível.");
inline const QString kFalhaDisco = QStringLiteral(
    "Ocorreu um erro de leitura ou gravação no disco da pasta de dados. Verifique o disco e tente novamente.");
// The table's name.
inline const QString kFalhaTabelaAusente = QStringLiteral(
    "A tabela %1 não existe no banco de dados. Use \"Reparar Tabelas\" ou verifique a pasta de dados.");
// The table's name.
inline const QString kFalhaChaveRepetida =
    QStringLiteral("Já existe um registro com a mesma chave na tabela %1. O registro não foi gravado.");
// The field and the table.
inline const QString kFalhaObrigatorio =
    QStringLiteral("O campo '%1' da tabela %2 é obrigatório e não foi informado. O registro não foi gravado.");
inline const QString kFalhaRecusado =
    QStringLiteral("O banco de dados recusou um valor do registro. O registro não foi gravado.");
// The log file's path.
inline const QString kFalhaOutra = QStringLiteral(
    "O banco de dados não pôde concluir a operação. Os detalhes técnicos foram gravados em \"%1\".");

// Store files handled as a whole (backup copy, restore, repair): the path.
inline const QString kCopiaFalhou = QStringLiteral("Não foi possível fazer uma cópia consistente do banco de dados \"%1\".");
inline const QString kCopiaBloqueada = QStringLiteral(
    "Não foi possível copiar o banco de dados \"%1\": outro programa está gravando nele. Tente novamente mais tarde.");
// The path and the number of problems the integrity check found.
inline const QString kIntegridadeFalhou =
    QStringLiteral("O banco de dados \"%1\" está danificado (%2 problema(s) encontrado(s) na verificação de integridade).");
inline const QString kBancoIlegivel = QStringLiteral("O banco de dados \"%1\" não pode ser lido.");
inline const QString kArquivoNaoMovido = QStringLiteral("Não foi possível mover o arquivo \"%1\" para \"%2\".");
inline const QString kRecuperacaoFalhou = QStringLiteral("Não foi possível recuperar o banco de dados \"%1\".");

// Moving a data folder's store onto a server. The database ("postgresql://...").
inline const QString kMigracaoDestinoNaoVazio = QStringLiteral(
    "O banco de dados \"%1\" não está vazio. A pasta de dados só é copiada para um banco de dados vazio: crie um "
    "banco novo no servidor e tente novamente.");
// The table, the rows in the folder and on the server.
inline const QString kMigracaoContagemDiferente = QStringLiteral(
    "A tabela %1 tem %2 registro(s) na pasta de dados e %3 no servidor após a cópia. Nada foi gravado no servidor.");
// The report of a migration: one line per table under the heading, then the
// total and the database.
inline const QString kMigracaoCabecalho = QStringLiteral("Tabela\tPasta de dados\tServidor");
inline const QString kMigracaoConcluida =
    QStringLiteral("Migração concluída: %1 registro(s) copiado(s) para \"%2\".");
// The table and the sentence of the failure.
inline const QString kMigracaoFalhou = QStringLiteral("Tabela %1: %2 Nada foi gravado no servidor.");

} // namespace quirels::store::msg

namespace quirels::store::msg {

// Server addresses ("postgresql://usuario@maquina:porta/banco"): the address as typed.
inline const QString kEnderecoInvalido = QStringLiteral(
    "O endereço do servidor \"%1\" não é válido. Use a forma postgresql://usuario@maquina:porta/banco.");
inline const QString kEnderecoComSenha = QStringLiteral(
    "O endereço do servidor não pode conter a senha. Grave a senha no arquivo de senhas do PostgreSQL (~/.pgpass) "
    "ou na variável de ambiente PGPASSWORD; só o programa com janelas pede a senha ao conectar, o quirels-cli não pede.");
inline const QString kEnderecoPorta = QStringLiteral("A porta do servidor \"%1\" não é válida (1 a 65535).");
// Connecting to the server: the address.
inline const QString kServidorInacessivel = QStringLiteral(
    "Não foi possível conectar ao servidor %1. Verifique se o servidor está ligado e acessível pela rede.");
inline const QString kServidorSenha = QStringLiteral(
    "O servidor %1 recusou o usuário ou a senha. Verifique o usuário e a senha (arquivo de senhas do PostgreSQL ou a senha informada).");
// Asked by the desktop after the server refused the password.
inline const QString kServidorPedeSenha = QStringLiteral("Senha do usuário %1 no servidor %2:");
inline const QString kServidorSemBanco = QStringLiteral("O banco de dados %1 não existe no servidor.");
inline const QString kServidorSemDriver = QStringLiteral(
    "O acesso ao servidor PostgreSQL não está instalado neste computador (pacote libqt6sql6-psql).");
// The server's store: not one of this program (other tables), the address.
inline const QString kServidorOutrasTabelas = QStringLiteral(
    "O banco de dados %1 contém tabelas que não são deste programa. Use um banco de dados vazio.");
inline const QString kServidorNaoInicializado = QStringLiteral(
    "O banco de dados %1 não foi preparado para este programa. Use o comando \"inicializar\" primeiro.");
// A save or deletion of a row that another workstation changed or deleted
// since this one read it.
inline const QString kRegistroAlterado = QStringLiteral(
    "Este registro foi alterado ou excluído em outra estação de trabalho depois de ter sido lido. "
    "A alteração não foi gravada; o registro é mostrado como está agora.");
// Below it, what the clerk had typed, field by field, beside what is stored.
inline const QString kValoresDigitados = QStringLiteral("O que você digitou e não foi gravado:");
inline const QString kValorDigitado = QStringLiteral("%1: você digitou \"%2\"; gravado agora: \"%3\"");
inline const QString kRegistroExcluidoAgora = QStringLiteral("(registro excluído)");
// A bulk operation refused while another workstation works on the period
// (month, year, company) or on the company.
inline const QString kPeriodoEmUso = QStringLiteral(
    "O período %1/%2 da empresa %3 está aberto para gravação em outra estação de trabalho. "
    "Feche o período na outra estação e tente novamente; nada foi alterado.");
inline const QString kEmpresaEmUso = QStringLiteral(
    "A empresa %1 tem um período aberto para gravação em outra estação de trabalho. "
    "Feche o período na outra estação e tente novamente; nada foi alterado.");
// The connection to the server was lost in the middle of an operation.
inline const QString kFalhaConexao = QStringLiteral(
    "A conexão com o servidor do banco de dados foi perdida. Verifique a rede e tente novamente.");

} // namespace quirels::store::msg

namespace quirels::store::msg {

// Reference tables replaced from CSV files (tabelas atualizar). A refusal
// names the file and the line: the file, the line and what is wrong.
inline const QString kRefLinha = QStringLiteral("%1, linha %2: %3 Nada foi alterado.");
// What is wrong with a line.
inline const QString kRefCabecalho = QStringLiteral("o cabeçalho deve ser \"%1\".");
inline const QString kRefCampos = QStringLiteral("a linha tem %1 campo(s); são esperados %2 (%3).");
inline const QString kRefCampoVazio = QStringLiteral("o campo '%1' está vazio.");
inline const QString kRefLargura = QStringLiteral("o campo '%1' tem %2 caracteres; o máximo é %3.");
inline const QString kRefControle = QStringLiteral("o campo '%1' contém um caractere de controle.");
inline const QString kRefNcm = QStringLiteral("o código NCM \"%1\" não está na forma 9999.99.99.");
inline const QString kRefCfop = QStringLiteral("o código CFOP \"%1\" não está na forma 9.999.");
inline const QString kRefPais = QStringLiteral("o código de país \"%1\" não tem 4 algarismos (por exemplo, 1058).");
inline const QString kRefCnae = QStringLiteral("o código CNAE \"%1\" não é um número de até 7 algarismos.");
// The formatted CNAE code as given and as the number gives it.
inline const QString kRefCnaeFormatado =
    QStringLiteral("o código CNAE formatado \"%1\" não corresponde ao código numérico (esperado \"%2\").");
// What is repeated ("o CFOP 5.102") and the line that had it first.
inline const QString kRefRepetido = QStringLiteral("%1 já aparece na linha %2.");
inline const QString kRefUtf8 = QStringLiteral("o texto não está em UTF-8 (grave o arquivo como UTF-8).");
// A file as a whole: the file.
inline const QString kRefSemLinhas =
    QStringLiteral("%1: o arquivo não tem nenhuma linha de dados. Nada foi alterado.");
inline const QString kRefArquivoGrande =
    QStringLiteral("%1: o arquivo é grande demais para uma tabela de referência. Nada foi alterado.");
inline const QString kRefArquivoIlegivel = QStringLiteral("Não foi possível ler o arquivo \"%1\". Nada foi alterado.");
// The folder.
inline const QString kRefPastaInexistente = QStringLiteral("A pasta \"%1\" não existe.");
inline const QString kRefNenhumArquivo = QStringLiteral(
    "A pasta \"%1\" não contém nenhuma tabela de referência (produtos_controlados.csv, cnae.csv, cfop.csv, "
    "paises.csv). Nada foi alterado.");
// The installed reference data of the program is missing: the file.
inline const QString kRefInstaladaAusente = QStringLiteral("Dados de referência \"%1\" não encontrados.");
// What changed, per table: the table's caption, the file, the rows of the
// new table, then the rows added, removed and renamed.
inline const QString kRefResumo =
    QStringLiteral("%1 (%2): %3 linha(s); %4 incluída(s), %5 excluída(s), %6 renomeada(s).");
inline const QString kRefSemAlteracao = QStringLiteral("%1 (%2): %3 linha(s); sem alterações.");
// One row: the code and the name.
inline const QString kRefIncluida = QStringLiteral("  incluída: %1 %2");
inline const QString kRefExcluida = QStringLiteral("  excluída: %1 %2");
// The code, the old name and the new one.
inline const QString kRefRenomeada = QStringLiteral("  renomeada: %1 %2 -> %3");
// After a removed or renamed controlled product that months still refer to.
inline const QString kRefMantido =
    QStringLiteral(" (mantido com o mesmo número, fora da lista, porque há meses que o usam)");
inline const QString kRefConcluida = QStringLiteral("Tabelas de referência atualizadas.");

} // namespace quirels::store::msg
