#!/usr/bin/env python3
"""Writes designs.json beside itself: SciPy's IIR designs for the filter designer's tests.

Run with Debian's python3-scipy: /usr/bin/python3 make_fixture.py

Each case gives the request in the designer's terms (prototype and type codes, order, alpha1
and alpha2 as fractions of the sampling rate, ripple in dB) and SciPy's answer: a and b in
powers of z^-1, a[0] = 1, b rescaled so that |H| = 1 where the designer normalises (z = 1
lowpass, z = -1 highpass, e^{j pi (alpha1 + alpha2)} bandpass and allpass, sqrt(|H(1)| |H(-1)|)
bandstop); SciPy normalises elsewhere. Bessel designs use norm='mag' as the designer's pole
table does. SciPy has no allpass: its cases are the prototype mapped with bilinear_zpk at fs = 1.
"""

import json
import os

import numpy as np
from scipy import signal

PROTOTYPES = {"bessel": 0, "butterworth": 1, "chebyshev": 2}
TYPES = {"lowpass": 0, "highpass": 1, "bandpass": 2, "bandstop": 3, "allpass": 4}

# (prototype, type, order, f1, f2, sampling rate, ripple dB)
CASES = [
    ("butterworth", "bandpass", 4, 70.0, 90.0, 250.0, -1.0),
    ("butterworth", "bandpass", 4, 70.0, 90.0, 256.0, -1.0),
    ("butterworth", "bandpass", 4, 70.0, 90.0, 500.0, -1.0),
    ("butterworth", "bandpass", 4, 70.0, 90.0, 1000.0, -1.0),
    ("butterworth", "lowpass", 2, 10.0, 10.0, 250.0, -1.0),
    ("butterworth", "lowpass", 6, 40.0, 40.0, 1000.0, -1.0),
    ("butterworth", "highpass", 3, 0.5, 0.5, 256.0, -1.0),
    ("butterworth", "highpass", 5, 30.0, 30.0, 500.0, -1.0),
    ("butterworth", "bandstop", 2, 45.0, 55.0, 500.0, -1.0),
    ("butterworth", "bandstop", 3, 48.0, 52.0, 1000.0, -1.0),
    ("chebyshev", "lowpass", 4, 30.0, 30.0, 250.0, -0.5),
    ("chebyshev", "lowpass", 5, 50.0, 50.0, 500.0, -1.0),
    ("chebyshev", "highpass", 3, 20.0, 20.0, 256.0, -0.1),
    ("chebyshev", "bandpass", 2, 8.0, 12.0, 256.0, -0.5),
    ("chebyshev", "bandstop", 2, 45.0, 55.0, 500.0, -1.0),
    ("bessel", "highpass", 4, 10.0, 10.0, 256.0, -1.0),
    ("bessel", "bandpass", 3, 70.0, 90.0, 500.0, -1.0),
    ("bessel", "bandstop", 2, 45.0, 55.0, 500.0, -1.0),
    ("butterworth", "allpass", 3, 25.0, 50.0, 250.0, -1.0),
    ("chebyshev", "allpass", 4, 25.0, 50.0, 250.0, -0.5),
    ("bessel", "allpass", 5, 25.0, 50.0, 250.0, -1.0),
] + [("bessel", "lowpass", n, 25.0, 25.0, 250.0, -1.0) for n in range(1, 11)]


def scipy_design(prototype, kind, order, f1, f2, rate, ripple):
    """Zeros, poles and gain of SciPy's design."""
    if kind == "allpass":
        if prototype == "butterworth":
            z, p, k = signal.buttap(order)
        elif prototype == "chebyshev":
            z, p, k = signal.cheb1ap(order, -ripple)
        else:
            z, p, k = signal.besselap(order, norm="mag")
        return signal.bilinear_zpk(z, p, k, fs=1.0)
    corners = [f1, f2] if kind in ("bandpass", "bandstop") else f1
    if prototype == "butterworth":
        return signal.butter(order, corners, kind, fs=rate, output="zpk")
    if prototype == "chebyshev":
        return signal.cheby1(order, -ripple, corners, kind, fs=rate, output="zpk")
    return signal.bessel(order, corners, kind, norm="mag", fs=rate, output="zpk")


def method_gain(z, p, k, kind, alpha1, alpha2):
    """|H| where the designer normalises, from the product form (more exact near |z| = 1)."""
    def magnitude(w):
        point = np.exp(1j * w)
        return abs(k * np.prod(point - z) / np.prod(point - p))

    if kind == "lowpass":
        return magnitude(0.0)
    if kind == "highpass":
        return magnitude(np.pi)
    if kind == "bandstop":
        return np.sqrt(magnitude(0.0) * magnitude(np.pi))
    return magnitude(np.pi * (alpha1 + alpha2))


def main():
    cases = []
    for prototype, kind, order, f1, f2, rate, ripple in CASES:
        alpha1, alpha2 = f1 / rate, f2 / rate
        z, p, k = scipy_design(prototype, kind, order, f1, f2, rate, ripple)
        b, a = signal.zpk2tf(z, p, k / method_gain(z, p, k, kind, alpha1, alpha2))
        b, a = np.real(b), np.real(a)
        cases.append({
            "label": "{} {} order {} {:g}-{:g} Hz at {:g}/s".format(prototype, kind, order, f1, f2, rate),
            "prototype": PROTOTYPES[prototype],
            "type": TYPES[kind],
            "order": order,
            "f1": f1,
            "f2": f2,
            "sampleRate": rate,
            "alpha1": alpha1,
            "alpha2": alpha2,
            "ripple": ripple,
            "b": [float(v) for v in b],
            "a": [float(v) for v in a],
        })
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "designs.json")
    with open(path, "w") as out:
        json.dump({"source": "scipy " + __import__("scipy").__version__, "cases": cases}, out, indent=1)
        out.write("\n")


if __name__ == "__main__":
    main()
