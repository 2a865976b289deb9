#!/usr/bin/python3
"""Writes data/Cubicacion.csv: the demonstration equation set of EcuacionesKAV.

These are NOT the inventory's equations: plausible parameters for volumes in dm3 per tree
from the diameter d in mm and the height h in m, so the calculations have something to apply
until the official EcuacionesKAV.mdb is converted with `arbelio-batch import-mdb`.
"""
import sys

# species text: (form factor, bark share of the volume, annual growth rate, firewood share,
#                conifer?)
ESPECIES = {
    "21": (0.47, 0.16, 0.030, 0.04, True), "22": (0.45, 0.15, 0.022, 0.04, True),
    "23": (0.40, 0.20, 0.028, 0.08, True), "24": (0.42, 0.22, 0.032, 0.06, True),
    "25": (0.46, 0.18, 0.030, 0.04, True), "26": (0.45, 0.24, 0.040, 0.05, True),
    "26R": (0.44, 0.24, 0.034, 0.05, True), "27": (0.46, 0.20, 0.030, 0.04, True),
    "28": (0.48, 0.17, 0.070, 0.03, True), "38": (0.38, 0.14, 0.012, 0.20, True),
    "39": (0.36, 0.14, 0.010, 0.22, True), "41": (0.42, 0.15, 0.022, 0.25, False),
    "42": (0.43, 0.15, 0.020, 0.25, False), "43": (0.40, 0.16, 0.018, 0.28, False),
    "44": (0.39, 0.16, 0.016, 0.30, False), "45": (0.35, 0.14, 0.012, 0.40, False),
    "46": (0.38, 0.30, 0.014, 0.35, False), "46d": (0.37, 0.12, 0.013, 0.35, False),
    "46D": (0.37, 0.20, 0.013, 0.35, False), "54": (0.44, 0.12, 0.040, 0.15, False),
    "58": (0.48, 0.14, 0.080, 0.10, False), "61": (0.45, 0.15, 0.090, 0.06, False),
    "62": (0.42, 0.16, 0.060, 0.10, False), "66": (0.33, 0.12, 0.008, 0.45, False),
    "71": (0.50, 0.07, 0.025, 0.20, False), "72": (0.43, 0.14, 0.030, 0.25, False),
    "81": (0.38, 0.12, 0.020, 0.35, False), "83": (0.36, 0.12, 0.015, 0.40, False),
}

CYL = 3.14159265358979 / 4 * 1e-3  # dm3 of a cylinder per mm2 of d2 and m of h


def g(x):
    return f"{x:.6g}"


def main(out):
    out.write("# Demonstration equations, NOT the inventory's (see data/README.md).\n")
    out.write("clase,provincias,especie,formas,variable,modelo,a,b,c\n")
    for sp, (ff, corteza, crec, lena, conifera) in ESPECIES.items():
        for formas, f in (("123", ff), ("456", ff * 0.9)):
            if conifera:
                out.write(f"P.M.,*,{sp},{formas},VCC,1,{g(-2.0)},{g(CYL * f)},0\n")
            else:
                # a * d^1.85 * h^0.95 equal to the form-factor volume at d = 300 mm, h = 12 m
                a = CYL * f * 300 ** 0.15 * 12 ** 0.05
                out.write(f"P.M.,*,{sp},{formas},VCC,11,{g(a)},1.85,0.95\n")
        out.write(f"P.M.,*,{sp},123456,VSC,7,{g(-0.5)},{g(1 - corteza)},{g(-2e-6)}\n")
        if conifera:
            out.write(f"P.M.,*,{sp},123456,IAVC,8,0.3,{g(crec)},{g(-1e-6)}\n")
        else:
            # crec * the volume at d = 300 mm (h = 12 m, form factor) spread as a * d^2
            out.write(f"P.M.,*,{sp},123456,IAVC,12,{g(crec * CYL * ff * 12)},2,0\n")
        out.write(f"P.M.,*,{sp},123456,VLE,10,0,{g(lena)},0\n")


if __name__ == "__main__":
    main(sys.stdout)
