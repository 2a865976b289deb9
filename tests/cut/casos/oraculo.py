#!/usr/bin/python3
# An independent computation of a cut, for the golden cases: reads the working tables DATDEF00
# and ESPECI00 with python3-dbfread and the case's criteria and options, applies the criteria
# as the cut tool is meant to (species rows combined by all or any, stand totals summed over a
# plot's species, UTM corners compared as texts, the zero filter counting every record it
# leaves out, one criterion or several joined by all or any), and writes the plot list, the
# summary, the species of the cut and the report as the golden files hold them.
#
#   oraculo.py BDTEMP CASO SALIDA
import operator
import os
import sys
from collections import Counter

import dbfread

temp, caso, salida = sys.argv[1:4]
CRLF = '\r\n'
TITULOS = [' * Especie: ', ' * Variables de Masa: ', ' * Geográficos: ', ' * Municipios: ',
           ' * Número de Parcela: ']
CABECERAS = [['Especie', 'AB', 'Nº PM'], ['AB', 'Nº PM'], ['Huso', '(X1,Y1)', '(X2,Y2)'],
             ['Provincia', 'Municipio'], ['Provincia', 'Parcela']]
OPERADORES = {'>=': operator.ge, '<=': operator.le, '>': operator.gt, '<': operator.lt,
              '=': operator.eq}


def tabla(nombre):
    for f in os.listdir(temp):
        if f.lower() == nombre.lower():
            registros = dbfread.DBF(os.path.join(temp, f), char_decode_errors='strict')
            return [{k.upper(): v for k, v in r.items()} for r in registros]
    raise SystemExit('falta ' + nombre)


def texto(v):
    return '' if v is None else str(v).rstrip()


datdef = tabla('DatDef00.dbf')
especi = tabla('Especi00.dbf')

opciones = {}
for linea in open(os.path.join(caso, 'opciones.txt'), encoding='utf-8'):
    if ':' in linea:
        k, v = linea.split(':', 1)
        opciones[k.strip()] = v.strip()
modo = opciones['modo']
filtro = opciones['filtro-cero'] == 'si'


def umbral(celda):
    if not celda:
        return ''
    for op in ('>=', '<=', '>', '<', '='):
        if celda.startswith(op):
            return op + ' ' + celda[len(op):].strip()
    raise SystemExit('umbral ' + celda)


def esquina(celda):
    x, y = celda.strip()[1:-1].split(',')
    return '(' + x.strip() + ', ' + y.strip() + ')'


filas = [[] for _ in range(5)]
todas_especies = True
for linea in open(os.path.join(caso, 'criterios.txt'), encoding='utf-8'):
    linea = linea.strip()
    if not linea or linea.startswith('#'):
        continue
    tipo, resto = linea.split(':', 1)
    c = [x.strip() for x in resto.split(';')]
    tipo = tipo.strip().lower()
    if tipo == 'especies':
        todas_especies = c[0].upper() == 'Y'
    elif tipo == 'especie':
        filas[0].append([c[0], umbral(c[1]), umbral(c[2])])
    elif tipo == 'masa':
        filas[1].append([umbral(c[0]), umbral(c[1])])
    elif tipo == 'utm':
        filas[2].append([c[0], esquina(c[1]), esquina(c[2])])
    elif tipo == 'municipio':
        filas[3].append([c[0], c[1].zfill(3)])
    elif tipo == 'parcela':
        filas[4].append([c[0], c[1]])


def cumple(valor, condicion):
    op, v = condicion.split(' ', 1)
    return valor is not None and OPERADORES[op](float(valor), float(v.rstrip('%')))


numpma = {}
for r in datdef:
    numpma.setdefault((r['PROVINCIA'], r['ESTADILLO']), r['NUMPMA'])
cero = 0


def filtra(registros, de_datdef):
    """The (province, plot) of each record the zero filter lets through."""
    global cero
    r = []
    for reg in registros:
        clave = (reg['PROVINCIA'], reg['ESTADILLO'])
        n = reg['NUMPMA'] if de_datdef else numpma.get(clave)
        if filtro and n is not None and n == 0:
            cero += 1
            continue
        r.append(clave)
    return r


def especie(f):
    cod, ab, pm = f
    r = []
    for reg in especi:
        if texto(reg['ESPECIE']) != cod:
            continue
        if pm and not cumple(reg['PORCENPM' if pm.endswith('%') else 'NUMPM'], pm):
            continue
        if ab and not cumple(reg['PORCENAB' if ab.endswith('%') else 'AREABASI'], ab):
            continue
        r.append(reg)
    return filtra(r, False)


def masa(f):
    ab, pm = f
    sumas = {}
    for reg in especi:
        s = sumas.setdefault((reg['PROVINCIA'], reg['ESTADILLO']), [None, None])
        if reg['NUMPM'] is not None:
            s[0] = (s[0] or 0.0) + float(reg['NUMPM'])
        if reg['AREABASI'] is not None:
            s[1] = (s[1] or 0.0) + float(reg['AREABASI'])
    r = []
    for clave in sorted(sumas):
        spm, sab = sumas[clave]
        if ab and not cumple(sab, ab):
            continue
        if pm and not cumple(spm, pm):
            continue
        r.append({'PROVINCIA': clave[0], 'ESTADILLO': clave[1]})
    return filtra(r, False)


def utm(f):
    huso, a, b = f
    x1, y1 = a[1:-1].split(', ')
    x2, y2 = b[1:-1].split(', ')
    r = [reg for reg in datdef if reg['HUSO'] is not None and reg['HUSO'] == int(huso)
         and x1 <= texto(reg['COORDEX']) <= x2 and y1 <= texto(reg['COORDEY']) <= y2]
    return filtra(r, True)


def municipio(f):
    r = [reg for reg in datdef if reg['PROVINCIA'] == int(f[0]) and texto(reg['MUNICI']) == f[1]]
    return filtra(r, True)


def parcela(f):
    r = [reg for reg in datdef
         if reg['PROVINCIA'] == int(f[0]) and reg['ESTADILLO'] == int(f[1])]
    return filtra(r, True)


informe = ''


def criterio(i):
    """The plots criterion i delivers, in order, with its report lines."""
    global informe
    informe += CRLF + '\t' + TITULOS[i] + CRLF
    if i == 0:
        informe += ('\t (Parcelas que cumplen' + (' TODOS los ' if todas_especies else
                                                  ' ALGUNO de los ') +
                    'criterios de especie que siguen.)' + CRLF)
    informe += '\t\t' + '\t'.join(CABECERAS[i]) + CRLF
    if i == 0:
        lista = None
        for f in filas[0]:
            informe += '\t\t' + '\t'.join(f) + CRLF
            r = especie(f)
            if lista is None or not todas_especies:
                lista = (lista or []) + r
            else:
                # each delivery keeps one more copy of the plot, as far as the list holds it
                quedan = Counter(lista) & Counter(r)
                nueva = []
                for p in lista:
                    if quedan[p] > 0:
                        nueva.append(p)
                        quedan[p] -= 1
                lista = nueva
        return lista or []
    r = []
    for f in filas[i]:
        informe += '\t\t' + '\t'.join(f) + CRLF
        r += [especie, masa, utm, municipio, parcela][i](f)
    return r


con_filas = [i for i in range(5) if filas[i]]
if modo == 'uno':
    informe = ('Criterios de corte: ' + CRLF + CRLF +
               '(Las parcelas resultantes cumplen el siguiente criterio:)' + CRLF)
    lista = criterio(con_filas[0])
elif modo == 'todos':
    informe = ('Criterios de corte: ' + CRLF + CRLF +
               '(Las parcelas resultantes cumplen TODOS los criterios siguientes:)')
    lista = None
    for i in con_filas:
        r = criterio(i)
        lista = list(dict.fromkeys(r)) if lista is None else [p for p in lista if p in set(r)]
else:
    informe = ('Criterios de corte: ' + CRLF + CRLF +
               '(Las parcelas resultantes cumplen ALGUNO de los criterios siguientes:)' + CRLF)
    lista = []
    for i in con_filas:
        lista += criterio(i)
lista = sorted(set(lista))

os.makedirs(salida, exist_ok=True)


def escribe(nombre, contenido):
    with open(os.path.join(salida, nombre), 'w', encoding='utf-8', newline='') as f:
        f.write(contenido)


escribe('parcelas.txt', ''.join('%d-%d\n' % p for p in lista))
if not lista:
    escribe('resumen.txt', 'Nº Parcelas: \nNº PiesMayores: \nNº Pies menores: \nNº Especies: \n'
            'Lista de especies:\nEspecie (nº de parcelas en las que la especie domina, en % '
            'Área Basimétrica)\n')
    escribe('especies-corte.txt', '0\n')
    escribe('informe.txt', '')
    sys.exit(0)

primera = {}
for r in datdef:
    primera.setdefault((r['PROVINCIA'], r['ESTADILLO']), r)
halladas = [p for p in lista if p in primera]
parcelas = len(halladas)
mayores = sum(primera[p]['NUMPMA'] or 0 for p in halladas)
menores = sum(primera[p]['NUMPME'] or 0 for p in halladas)
de_parcela = {}
for r in especi:
    de_parcela.setdefault((r['PROVINCIA'], r['ESTADILLO']), []).append(r)
tabla_especies = []  # [code, dominance]
for p in halladas:
    registros = de_parcela.get(p, [])
    con = [r for r in registros if r['PORCENAB'] is not None]
    sin = [r for r in registros if r['PORCENAB'] is None]
    orden = sorted(con, key=lambda r: -float(r['PORCENAB'])) + sin
    for k, r in enumerate(orden):
        cod = int(texto(r['ESPECIE']))
        fila = next((t for t in tabla_especies if t[0] == cod), None)
        if fila is None:
            fila = [cod, 0]
            tabla_especies.append(fila)
        if k == 0:
            fila[1] += 1
especies_corte = [t[0] for t in tabla_especies] or [0]
for i in range(len(tabla_especies)):
    mayor = i
    for j in range(i + 1, len(tabla_especies)):
        if tabla_especies[j][1] > tabla_especies[mayor][1]:
            mayor = j
    tabla_especies[i], tabla_especies[mayor] = tabla_especies[mayor], tabla_especies[i]

resumen = ('Nº Parcelas: %d\nNº PiesMayores: %d\nNº Pies menores: %d\nNº Especies: %d\n' %
           (parcelas, mayores, menores, len(tabla_especies)))
if filtro:
    resumen += 'Nº parcelas con 0 pies mayores: %d\n' % cero
resumen += ('Lista de especies:\nEspecie (nº de parcelas en las que la especie domina, en % '
            'Área Basimétrica)\n')
resumen += ''.join('%d (%d)\n' % (c, n) for c, n in tabla_especies)
escribe('resumen.txt', resumen)
escribe('especies-corte.txt', ''.join('%d\n' % c for c in especies_corte))
escribe('informe.txt', informe.replace(CRLF, '\n'))
