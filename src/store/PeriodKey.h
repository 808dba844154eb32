#pragma once
// The period key: company (CNPJ or CPF digits), four-digit year, month code.

#include <QString>

namespace quirels {

struct PeriodKey {
    QString cnpj;   // CdCNPJEmpr
    QString ano;    // NrAno, "2003" .. "2030"
    QString mes;    // NmMes, "JAN" .. "DEZ"

    bool operator==(const PeriodKey &o) const { return cnpj == o.cnpj && ano == o.ano && mes == o.mes; }
    bool operator!=(const PeriodKey &o) const { return !(*this == o); }
    bool isValid() const { return !cnpj.isEmpty() && !ano.isEmpty() && !mes.isEmpty(); }
};

} // namespace quirels
