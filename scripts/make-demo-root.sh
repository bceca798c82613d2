#!/usr/bin/env bash
# Creates a demo root with a few dozen bases: make-demo-root.sh ROOT
# Each base holds an ORQ.FDB of its own size and date and a SYSTEM.DAT; the names cover what the
# catalogue must quote (blanks, commas, quotes) and what sorting must order (numbers, accents).
set -euo pipefail
root=${1:?usage: make-demo-root.sh ROOT}
data="$root/ORQ_DADOS"
mkdir -p "$data"

bases=(
    "SP_CAPITAL|1263616|2013-03-05 14:07:09" "RJ_NITEROI|524288|2013-09-17 10:33:19"
    "MG_BELO_HORIZONTE|8388608|2014-01-05 08:00:00" "Mun sp|169|2012-12-31 00:00:00"
    "Padaria São João|2097152|2015-06-30 18:45:00" "Teste|1264189|2013-03-05 14:07:09"
    "Teste 2|512|2013-03-05 14:07:09" "Loja, Centro|65536|2016-02-29 12:00:00"
    "Oficina \"Zé\"|131072|2017-07-04 09:15:30" "10|4096|2018-01-01 00:00:00"
    "9|2048|2018-01-02 00:00:00" "100|1024|2018-01-03 00:00:00" "BA_SALVADOR|33554432|2019-11-11 11:11:11"
    "PR_CURITIBA|16777216|2020-04-01 07:30:00" "RS_PORTO_ALEGRE|3145728|2020-08-15 16:20:00"
    "SC_FLORIANOPOLIS|7340032|2021-03-21 21:21:21" "PE_RECIFE|9437184|2021-12-24 23:59:59"
    "CE_FORTALEZA|2621440|2022-05-05 05:05:05" "GO_GOIANIA|1572864|2022-10-10 10:10:10"
    "AM_MANAUS|5242880|2023-01-31 13:00:00" "PA_BELEM|4194304|2023-06-06 06:06:06"
    "ES_VITORIA|786432|2023-09-09 09:09:09" "DF_BRASILIA|12582912|2024-02-14 14:00:00"
    "Açougue Três Irmãos|262144|2024-03-03 03:03:03" "Mercado Ébano|393216|2024-04-04 04:04:04"
    "BASE1|1048576|2024-05-05 15:00:00" "BASE2|2097152|2024-05-06 16:00:00"
    "BASE3|3145728|2024-05-07 17:00:00" "Filial 01|458752|2025-01-15 08:30:00"
    "Filial 02|589824|2025-01-16 08:30:00" "Filial 10|720896|2025-01-17 08:30:00"
    "Depósito Norte|851968|2025-07-07 07:07:07" "Escritório|983040|2025-12-01 00:00:00"
)
for entry in "${bases[@]}"; do
    IFS='|' read -r name size when <<<"$entry"
    folder="$data/$name"
    [ -f "$folder/ORQ.FDB" ] && continue
    mkdir -p "$folder"
    truncate -s "$size" "$folder/ORQ.FDB"
    touch -d "$when" "$folder/ORQ.FDB"
    : >"$folder/SYSTEM.DAT"
done
# Folders the scan must leave out: hidden, without a database, a database that is a folder.
mkdir -p "$data/.lixeira" "$data/SemBanco" "$data/BancoPasta/ORQ.FDB"
[ -f "$data/.lixeira/ORQ.FDB" ] || truncate -s 1024 "$data/.lixeira/ORQ.FDB"
echo "Demo root: $root (${#bases[@]} bases)"
