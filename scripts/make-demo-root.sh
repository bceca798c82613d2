#!/usr/bin/env bash
# Creates a demo root with a few dozen bases: make-demo-root.sh ROOT ORQFB
# Each base holds a real Firebird database ORQ.FDB made by the orqfb tool through the private
# server (scripts/firebird.sh must be running), with its state in table empresa, a date of its
# own and a SYSTEM.DAT. The names cover what the catalogue must quote (blanks, commas, quotes),
# what sorting must order (numbers, accents) and what the state-suffix batch meets (bases
# without a suffix, some already suffixed, one with an empty table).
set -euo pipefail
root=${1:?usage: make-demo-root.sh ROOT ORQFB}
orqfb=${2:?usage: make-demo-root.sh ROOT ORQFB}
data="$root/ORQ_DADOS"
mkdir -p "$data"

bases=(
    "SP_CAPITAL|SP|2013-03-05 14:07:09" "RJ_NITEROI|RJ|2013-09-17 10:33:19"
    "MG_BELO_HORIZONTE|MG|2014-01-05 08:00:00" "Mun sp|SP|2012-12-31 00:00:00"
    "Padaria São João|SP|2015-06-30 18:45:00" "Teste|PR|2013-03-05 14:07:09"
    "Teste 2|PR|2013-03-05 14:07:09" "Loja, Centro|SC|2016-02-29 12:00:00"
    "Oficina \"Zé\"|RS|2017-07-04 09:15:30" "10|BA|2018-01-01 00:00:00"
    "9|BA|2018-01-02 00:00:00" "100|BA|2018-01-03 00:00:00" "BA_SALVADOR|BA|2019-11-11 11:11:11"
    "PR_CURITIBA|PR|2020-04-01 07:30:00" "RS_PORTO_ALEGRE|RS|2020-08-15 16:20:00"
    "SC_FLORIANOPOLIS|SC|2021-03-21 21:21:21" "PE_RECIFE|PE|2021-12-24 23:59:59"
    "CE_FORTALEZA|CE|2022-05-05 05:05:05" "GO_GOIANIA|GO|2022-10-10 10:10:10"
    "AM_MANAUS|AM|2023-01-31 13:00:00" "PA_BELEM|PA|2023-06-06 06:06:06"
    "ES_VITORIA|ES|2023-09-09 09:09:09" "DF_BRASILIA|DF|2024-02-14 14:00:00"
    "Açougue Três Irmãos|MG|2024-03-03 03:03:03" "Mercado Ébano|GO|2024-04-04 04:04:04"
    "BASE1|SP|2024-05-05 15:00:00" "BASE2|RJ|2024-05-06 16:00:00"
    "BASE3|MG|2024-05-07 17:00:00" "Filial 01_SP|SP|2025-01-15 08:30:00"
    "Filial 02_RJ|RJ|2025-01-16 08:30:00" "Filial 10|SP|2025-01-17 08:30:00"
    "Depósito Norte|AM|2025-07-07 07:07:07" "Escritório||2025-12-01 00:00:00"
)
missing=()
for entry in "${bases[@]}"; do
    IFS='|' read -r name uf _ <<<"$entry"
    [ -f "$data/$name/ORQ.FDB" ] || missing+=("$name=$uf")
done
if ((${#missing[@]})); then
    "$orqfb" make-root "$root" "${missing[@]}" >/dev/null
    for entry in "${bases[@]}"; do
        IFS='|' read -r name _ when <<<"$entry"
        touch -d "$when" "$data/$name/ORQ.FDB"
    done
fi
# Folders the scan must leave out: hidden, without a database, a database that is a folder.
mkdir -p "$data/.lixeira" "$data/SemBanco" "$data/BancoPasta/ORQ.FDB"
[ -f "$data/.lixeira/ORQ.FDB" ] || truncate -s 1024 "$data/.lixeira/ORQ.FDB"
echo "Demo root: $root (${#bases[@]} bases)"
