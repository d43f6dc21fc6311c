#!/usr/bin/env python3
"""Seeded random cases for comparing two builds of helixor-cli.

    random-cases.py expressions COUNT SEED   one expression a line, for eval
    random-cases.py curves COUNT SEED        one curve a line: the --set
                                             arguments of render, tab-separated

The same COUNT and SEED give the same lines on every machine. Expressions
mix numerals of every shape (whole, with a point, with an exponent, huge,
tiny, beyond the range), t, pi and e, all ten functions with arguments
across their domains (where the functions reduce them differently) and out
of bounds, the operators and MOD, unary minus and nesting; some do not
parse, on purpose.
"""
import random
import sys

FUNCTIONS = ["ABS", "ATAN", "COS", "EXP", "LN", "ROUND", "SIN", "SQRT", "SQR", "TRUNC"]


def numeral(rng):
    kind = rng.randrange(12)
    if kind == 0:
        return str(rng.randrange(10))
    if kind == 1:
        return str(rng.randrange(10 ** rng.randrange(1, 25)))
    if kind == 2:
        return "%d.%0*d" % (rng.randrange(1000), rng.randrange(1, 22), rng.randrange(10 ** 6))
    if kind == 3:
        return "." + str(rng.randrange(10 ** rng.randrange(1, 20)))
    if kind == 4:
        return "%d." % rng.randrange(100)
    if kind == 5:
        return "%d.%de%s%d" % (rng.randrange(10), rng.randrange(10 ** 6), rng.choice(["", "+", "-"]), rng.randrange(40))
    if kind == 6:
        return "%dE-%d" % (rng.randrange(1, 10), rng.randrange(4900, 4960))
    if kind == 7:
        return "%d.%de%d" % (rng.randrange(1, 10), rng.randrange(10 ** 4), rng.randrange(4900, 4940))
    if kind == 8:
        return repr(rng.uniform(-1, 1) * 10 ** rng.randrange(-6, 7)).lstrip("-").replace("e", "E")
    if kind == 9:
        return "%.*f" % (rng.randrange(0, 8), rng.uniform(0, 12000))
    if kind == 10:
        return rng.choice(["0", "0.0", "00012", "1e0", "1e", "1.5e+", ".", "0.5e-0"])
    return "%.17g" % (rng.random() * 10 ** rng.randrange(-30, 30))


def argument(rng, name, depth):
    """An argument for name: often in the range where it does something."""
    r = rng.random()
    if r < 0.35:
        return expression(rng, depth + 1)
    if name == "EXP":
        return "%s%.*f" % (rng.choice(["", "-"]), rng.randrange(0, 6), rng.uniform(0, 11360))
    if name in ("SIN", "COS"):
        magnitude = 10 ** rng.uniform(-25, 19.1)
        return "%s%.21g" % (rng.choice(["", "-"]), magnitude)
    if name == "LN":
        if r < 0.6:
            return "%.18fe%d" % (rng.uniform(1, 10), rng.randrange(-4950, 4932))
        return "%.22f" % (1 + rng.uniform(-1e-3, 1e-3))
    if name == "ATAN":
        return "%s%.20g" % (rng.choice(["", "-"]), 10 ** rng.uniform(-30, 30))
    return numeral(rng)


def primary(rng, depth):
    r = rng.random()
    if depth > 4 or r < 0.45:
        return rng.choice([numeral(rng), numeral(rng), "t", "pi", "e", "T", "PI"])
    if r < 0.85:
        name = rng.choice(FUNCTIONS)
        name = rng.choice([name, name.lower(), name.capitalize()])
        return "%s(%s)" % (name, argument(rng, name.upper(), depth))
    return "(%s)" % expression(rng, depth + 1)


def expression(rng, depth=0):
    parts = [primary(rng, depth)]
    for _ in range(rng.choice([0, 0, 1, 1, 2, 3])):
        op = rng.choice(["+", "-", "*", "/", "+", "-", "*", "/", "^", " MOD ", " mod ", "^-"])
        parts.append(op)
        if op.startswith("^") and rng.random() < 0.7:
            parts.append(rng.choice(["2", "3", "0.5", "t", "1.5", "e", "%.3f" % rng.uniform(0, 40)]))
        elif "MOD" in op.upper() and rng.random() < 0.7:
            parts.append(str(rng.randrange(1, 100)))
        else:
            parts.append(primary(rng, depth + 1))
    text = "".join(parts)
    if rng.random() < 0.1:
        text = "-" + text
    if rng.random() < 0.05:
        text = " %s " % text
    return text


def curve(rng):
    """A curve's fields: three random coordinate texts over a random segment."""
    a = round(rng.uniform(-20, 20), rng.randrange(0, 4))
    b = a + round(rng.choice([0.5, 1, 6.28, 30, 200, 5000]) * (0.2 + rng.random()), 3)
    fields = ["AEdit=%r" % a, "BEdit=%r" % b, "Precission=%d" % rng.choice([50, 400, 2000, 10000])]
    for name in ("xt", "yt", "zt"):
        r = rng.random()
        if r < 0.75:
            k = rng.randrange(1, 40)
            text = rng.choice(["SIN(%d*t)" % k, "cos(t/%d)" % k, "ATAN(t-%d)" % k, "exp(sin(%d*t))" % k,
                               "EXP(-abs(t)/%d)" % k, "ln(1+t^2)", "LN(%d+abs(t))" % k, "sqrt(1+abs(t))",
                               "2^cos(t)", "t/%d" % k])
            if rng.random() < 0.6:
                text += rng.choice(["*", "+", "-"]) + rng.choice(
                    ["sin(t)", "cos(%d*t)" % rng.randrange(1, 9), "exp(-abs(t)/10)", "atan(t)", "%d" % k])
        elif r < 0.9:
            text = expression(rng, 3)
        else:
            text = rng.choice(["t", "0", "t*t", "cos(t)^2", "(t MOD 3)*exp(-t/10)"])
        fields.append("%s=%s" % (name, text))
    return "\t".join(fields)


def main():
    kind, count, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    rng = random.Random(seed)
    make = {"expressions": expression, "curves": curve}[kind]
    for _ in range(count):
        print(make(rng))


if __name__ == "__main__":
    main()
