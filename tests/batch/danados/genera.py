#!/usr/bin/python3
"""Makes the damaged copy of a sample province that one case of the damaged-data test needs.

    genera.py MUESTRA CASO SALIDA

MUESTRA holds the tables of province 47 (Datest47, Piesma47, Piesme47, Tiposx47, Matorr47 and,
for the cases that ask for them, Datdef47 and Especi47 built by the program). The tables are
copied into SALIDA/muestra and damaged as the lines of CASO/dano.txt say:

    con-derivadas                          copy Datdef47 and Especi47 too
    borra TABLA                            leave a table out
    valor TABLA CAMPO FILA TEXTO           write TEXTO (\\xNN escapes) into a field of a record
    renombra-campo TABLA CAMPO NUEVO       give a field another name
    longitud-cero TABLA CAMPO              leave a field without width
    repite-fila TABLA FILA                 append a copy of a record
    anade-campo TABLA CAMPO TIPO LARGO DEC VALOR   append a field holding VALOR in every record
    cambia-campo TABLA CAMPO TIPO LARGO DEC        another layout; values are written again
    valor-todas TABLA CAMPO TEXTO          write TEXTO into the field of every record
    codigo NUEVO                           the tables under another database code
    texto ARCHIVO N ANTES A MEDIO B DESPUES    writes ANTES + A*N + MEDIO + B*N + DESPUES
                                           into SALIDA/ARCHIVO ("-" is an empty text)

Records are counted from 1; TABLA is the base name (Piesma...), the code is added.
"""
import os
import shutil
import struct
import sys

BASES = ["Datest", "Piesma", "Piesme", "Tiposx", "Matorr"]
DERIVADAS = ["Datdef", "Especi"]


class Dbf:
    def __init__(self, ruta):
        datos = open(ruta, "rb").read()
        self.cabecera = bytearray(datos[:32])
        n = struct.unpack("<I", datos[4:8])[0]
        largo_cabecera, largo_registro = struct.unpack("<HH", datos[8:12])
        self.campos = []  # [nombre, tipo, largo, decimales]
        p = 32
        while datos[p] != 0x0D:
            d = datos[p:p + 32]
            nombre = d[:11].split(b"\0")[0].decode("latin-1")
            self.campos.append([nombre, chr(d[11]), d[16], d[17]])
            p += 32
        self.filas = []  # [borrada, [bytes de cada campo]]
        for i in range(n):
            r = datos[largo_cabecera + i * largo_registro:largo_cabecera + (i + 1) * largo_registro]
            valores, q = [], 1
            for c in self.campos:
                valores.append(bytes(r[q:q + c[2]]))
                q += c[2]
            self.filas.append([r[0:1], valores])

    def posicion(self, campo):
        for i, c in enumerate(self.campos):
            if c[0].upper() == campo.upper():
                return i
        raise SystemExit("no hay campo " + campo)

    def guarda(self, ruta):
        cab = bytearray(self.cabecera)
        largo = 1 + sum(c[2] for c in self.campos)
        cab[4:8] = struct.pack("<I", len(self.filas))
        cab[8:12] = struct.pack("<HH", 32 + 32 * len(self.campos) + 1, largo)
        for nombre, tipo, l, dec in self.campos:
            d = bytearray(32)
            d[:len(nombre)] = nombre.encode("latin-1")[:11]
            d[11] = ord(tipo)
            d[16], d[17] = l, dec
            cab += d
        cab += b"\r"
        cuerpo = b"".join(f[0] + b"".join(f[1]) for f in self.filas)
        open(ruta, "wb").write(bytes(cab) + cuerpo + b"\x1a")


def ajusta(texto, largo, numerico):
    b = texto.encode("latin-1")[:largo]
    return b.rjust(largo) if numerico else b.ljust(largo)


def bytes_de(texto):
    return texto.encode("latin-1").decode("unicode_escape").encode("latin-1").decode("latin-1")


def main():
    muestra, caso, salida = sys.argv[1:4]
    destino = os.path.join(salida, "muestra")
    os.makedirs(destino, exist_ok=True)
    ordenes = [l.rstrip("\n") for l in open(os.path.join(caso, "dano.txt"), encoding="utf-8")]
    ordenes = [l for l in ordenes if l.strip() and not l.startswith("#")]
    bases = BASES + (DERIVADAS if any(l.split()[0] == "con-derivadas" for l in ordenes) else [])
    for b in bases:
        shutil.copy(os.path.join(muestra, b + "47.dbf"), os.path.join(destino, b + "47.dbf"))
    codigo = "47"
    for linea in ordenes:
        partes = linea.split(" ")
        orden = partes[0]
        if orden == "con-derivadas":
            continue
        if orden == "codigo":
            for b in bases:
                os.rename(os.path.join(destino, b + codigo + ".dbf"),
                          os.path.join(destino, b + partes[1] + ".dbf"))
            codigo = partes[1]
            continue
        if orden == "borra":
            os.remove(os.path.join(destino, partes[1] + codigo + ".dbf"))
            continue
        if orden == "texto":
            n = int(partes[2])
            t = [bytes_de(x) if x != "-" else "" for x in partes[3:8]]
            contenido = t[0] + t[1] * n + t[2] + t[3] * n + t[4]
            open(os.path.join(salida, partes[1]), "w", encoding="latin-1").write(contenido + "\n")
            continue
        ruta = os.path.join(destino, partes[1] + codigo + ".dbf")
        t = Dbf(ruta)
        if orden == "valor":
            i = t.posicion(partes[2])
            texto = bytes_de(" ".join(partes[4:]))
            c = t.campos[i]
            t.filas[int(partes[3]) - 1][1][i] = ajusta(texto, c[2], c[1] in "NF")
        elif orden == "valor-todas":
            i = t.posicion(partes[2])
            c = t.campos[i]
            for f in t.filas:
                f[1][i] = ajusta(bytes_de(" ".join(partes[3:])), c[2], c[1] in "NF")
        elif orden == "renombra-campo":
            t.campos[t.posicion(partes[2])][0] = partes[3]
        elif orden == "longitud-cero":
            i = t.posicion(partes[2])
            t.campos[i][2] = 0
            for f in t.filas:
                f[1][i] = b""
        elif orden == "repite-fila":
            f = t.filas[int(partes[2]) - 1]
            t.filas.append([f[0], list(f[1])])
        elif orden == "anade-campo":
            tipo, l, dec = partes[3], int(partes[4]), int(partes[5])
            t.campos.append([partes[2], tipo, l, dec])
            for f in t.filas:
                f[1].append(ajusta(" ".join(partes[6:]), l, tipo in "NF"))
        elif orden == "cambia-campo":
            i = t.posicion(partes[2])
            tipo, l, dec = partes[3], int(partes[4]), int(partes[5])
            t.campos[i][1:] = [tipo, l, dec]
            for f in t.filas:
                viejo = f[1][i].decode("latin-1").strip()
                if viejo and tipo in "NF":
                    viejo = ("%." + str(dec) + "f") % float(viejo)
                f[1][i] = ajusta(viejo, l, tipo in "NF")
        else:
            raise SystemExit("orden desconocida: " + orden)
        t.guarda(ruta)


if __name__ == "__main__":
    main()
