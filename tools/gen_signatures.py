#!/usr/bin/python3
"""Writes match/signatures.bin, the signature table built into the program.

Three rows are the product's known samples; the others are synthetic stand-ins drawn from a fixed
seed, so the output is the same byte for byte on every run. The table is 748 records of 108 bytes
followed by one all-zero terminator record.

    /usr/bin/python3 tools/gen_signatures.py [OUTPUT]     (default match/signatures.bin)
"""
import os
import struct
import sys

RECORD = struct.Struct("<50si21si21sii")
assert RECORD.size == 108
RECORD_COUNT = 748
DISTINCT_NAMES = 588
MAX_PER_NAME = 14
FIRST_BEFORE_SECOND = 660
MIN_SIZE, MAX_SIZE = 3584, 2807368
FIRST_MIN, FIRST_MAX = -761872, 948582
SECOND_MIN, SECOND_MAX = -755408, 2260806


class Rng:
    """xorshift64*: fixed output for a fixed seed, whatever the Python version."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFFFFFFFFFF

    def next(self):
        x = self.state
        x ^= (x >> 12)
        x ^= (x << 25) & 0xFFFFFFFFFFFFFFFF
        x ^= (x >> 27)
        self.state = x
        return (x * 0x2545F4914F6CDD1D) & 0xFFFFFFFFFFFFFFFF

    def below(self, n):
        return self.next() % n

    def between(self, lo, hi):  # inclusive
        return lo + self.below(hi - lo + 1)

    def shuffle(self, items):
        for i in range(len(items) - 1, 0, -1):
            j = self.below(i + 1)
            items[i], items[j] = items[j], items[i]

    def run(self):
        return bytes(self.below(256) for _ in range(20))


def variants(text):
    return [v.strip() for v in text.split(",")]


GROUPS = [
    ("W32/KYR.%s.PSW.Trojan", variants(
        "A, Aa, Aas, Aaw, Ab, Ac, Ace, Aci, Act, Ad, Adm, Ads, Adu, Aej, Af, Afd, Afh, Afl, Afn, Afu, "
        "Afy, Ag, Agm, Agn, Agq, Ah, Aho, Aiy, Ake, Ali, Alu, Anf, Ao, Apy, Aqt, Aqu, Arg, Arz, Asa, Asb, "
        "Asd, Ash, Asm, Aso, Ass, Asw, Atd, Atv, Auf, Aum, Awp, Axd, Ay, Az, B, Bao, Bap, Bb, Bbl, Bbp, "
        "Bbu, Bbw, Bca, Bec, Bed, Bfq, Bg, Bgv, Bhm, Bkb, Bp, Cd, Cf, Ch, Ck, Cl, Cm, Cq, Cr, Cv, Da, Dc, "
        "De, Dj, Dt, Dy, Ec, Ed, Ee, Ek, El, Em, Es, Et, Ev, Ey, Fc, Fg, Fj, Fk, Fn, Fq, Fr, Fs, Ft, Fw, "
        "Fx, Gc, Ge, Gv, Hd, He, Hf, Hu, Hv, Hw, Hy, Hz, Ic, Im, Iz, J, Jc, Je, Ji, Jo, Jt, Kb, Ke, Ki, "
        "Kj, Kl, Lc, Ld, Le, Lg, Ln, Lq, M, Me, Mf, Mq, Mx, My, Na, Nck, Ng, Nn, Np, Nx, Oa, Oi, Pa, Pb, "
        "Pk, Pn, Pt, Pu, Qa, Qc, Qg, Ql, Qz, R, Rc, Rf, Ro, Rs, Rx, Sc, Sf, Sp, Sv, Uk, V, Wc, Wk, Wq, X, "
        "Xj, Xk, Xn, Xu, Xx, Yb, Yr, Yu, Yw, Z, Zh, Zo, Zq, Zy")),
    ("W32/KYR.%s.Spy.Trojan", variants(
        "Bei, Bia, Bkz, Bla, Bne, Boz, Bpa, Bqi, Bvp, Byo, Byp, Bzo, Ccc, Cds, Cfs, Cgc, Cgj, Cgq, Cme, "
        "Cof, Dgf, Dgk, Dio, Dja, Djt, Dxy, Ecy, Efp, Ekl, El, Epu, Evt, Exr, Eyb, Eyc, Eye, Eyf, Ezb, "
        "Eze, Ezi, Ezr, Fab, Fbu, Fcb, Fce, Fcg, Fcm, Fcn, Fct, Fdi, Fdn, Fdr, Fdy, Feg, Fei, Fel, Ffe, "
        "Ffg, Ffh, Ffs, Fgr, Fhg, Fhn, Fjo, Fmx, Fnc, Foj, Fqm, Fre, Fuh, Fxo, Fzm, Gbp, Ggy, Gip, Gjf, "
        "Guu, Hag, Haj, Hak, Hcb, Hdg, Hdz, Hft, Hhk, Hjy, Hkb, Hkg, Hkh, Hko, Hlb, Hlh, Hsp, Hvt, Hwo, "
        "Hwy, Hyg, Hyv, Hzf, Hzo, Iae, Iao, Ibl, Ibo, Idb, Idt, Idw, Iek, Iev, Ife, Iff, Ifn, Ifp, Ihf, "
        "Ihl, Ihn, Ihr, Ihu, Ihy, Iib, Iip, Iit, Iiu, Lie, Lii, Liz, Lnz, Lof, Loo, Lot, Lov, Lpk, Lrq, "
        "Lwq, Lxj, Lxm, Lxn, Mcv, Mcx, Mcy, Mde, Mdh, Mey, Mfc, Mfw, Mik, Mmu, Mmw, Mmx, Mmy, Mmz, Mnc, "
        "Mov, Mpb, Mpe, Mpg, Mql, Mvp, Mwc, Mxa, Mxb, Myo, Myr, Ndo, Nfy, Nge, Ngf, Ngi, Nhw, Nls, Nmr, "
        "Ntq, Nty, Nui, Nuk, Num, Nun, Nup, Nwx, Nya, Nzl, Nzy, Obz, Odb, Oft, Ohl, Oik, Oin, Oit, Ojj, "
        "Okb, Okg, Oll, Omb, Omf, Omg, Opb, Oqi, Oqm, Ore, Org, Orh, Ori, Orj, cep, cer")),
    ("W32/KYR.%s.Trojan", variants(
        "Bnd, Bne, Bnj, Bpc, Bpf, Byi, Byr, Byw, Bzh, CZX, Caf, Cam, Caq, Cau, Cbv, Ccn, Ccr, Cdl, Cdw, "
        "Cfg, Cgf, Cgg, Cgi, Cgp, Chz, Ciq, Cle, Clj, Clk, Cll, Cym, DAD, DBU, DCA, DEJ, DES, DET, DEZ, "
        "DFA, DFF, DFJ, DFK, DFN, DFQ, DFV, DFW, DFY, DFZ, DGG, DGP, DGS, DGV, DGZ, DHD, DHN, DHV, DHZ, "
        "DIB, DIC, DID, DKR, DLF, DMA, DMJ, DNW, DOF, DQS, DRX, DRY, DRZ, DSA, DSB, DSE, DSU, DSV, DSW, "
        "Dar, Dex, Dey, Dfu, Dsi, EFK, EFM, EFO, EGA, EGB, EGH, EGI, EGL, EGP, EGW, EGX, EGY, EHG, EHH, "
        "EHR, EIE, EIF, EIG, EIH, EIM, EIP, EIY, EJA, EJS, EJZ, EKF, EKI, EKO, EKS, EKU, ENP, EOW, EPA, "
        "EPD, ESO, ESP, ESR, EVM, EVV, EVW, EVX, EVZ, EYZ, Edw, Elg, Exq, Exs, FBP, FDE, FDT, FHY, FIC, "
        "FIE, FIF, FLX, FMU, FMV, FON, Fbs, Fby, Fdb, Fee, Fiv, Flq, Gdc, Hpe, Hse, Hvm, Hvq, Hwn, Hwv, "
        "Hyi, Hyx, Iiv, Mm, cih")),
    ("W32/KYR.%s.PWS.Trojan", variants(
        "CWW, CZY, DAB, DAF, DAH, DAI, DMC, DSR, EMD, EMK, EMZ, EOA, EOK, FBG, FJJ, FKM, FLL, FLP, FLQ, Gen")),
    ("W32/KYR.%s.DR.Trojan", ["FDU", "FRQ"]),
    ("W32/KYR.%s.Dropper.Trojan", ["D"]),
    ("%s", ["W32/KYRExf.Spy.Trojan", "W32/Kyr.23.Backdoor", "W32/Kyr.CXZ.PWS.Trojan", "W32/Kyr.Flf.Trojan",
            "W32/Kyrsteal.CF.PWS.Trojan", "W32/Kyrsteal.DB.PWS.Trojan", "W32/Kyrsteal.DD.PWS.Trojan",
            "W32/Kyrsteal.DG.Trojan", "W32/Kyrsteal.FQ.PWS.Trojan"]),
]
GROUP_SIZES = [193, 206, 157, 20, 2, 1, 9]


def hexrun(text):
    return bytes.fromhex(text)


# (name, firstOffset, firstBytes, secondOffset, secondBytes, fileSize)
ROW_FIRST = ("W32/KYR.Ag.PSW.Trojan", 383, hexrun("2BF8590CC1EF0503B2D3C76C45FFB5E80A823E97"),
             1266, hexrun("55D07206 29DB0AB462BCB175C56A840FF3080444".replace(" ", "")), 73775)
ROW_SECOND = ("W32/KYR.Fr.PSW.Trojan", -85703, hexrun("074A5172F450B374165C69441053995486F421A8"),
              -58604, hexrun("9F173E2E7C5CF8B9F173E2E7C5CF8B9F173E2E7C".replace(" ", "")), 50176)
ROW_LAST = ("W32/KYR.FMV.Trojan", -1174, hexrun("8BEC81EC1403000053565 76A3F33DB5933C08DBD".replace(" ", "")),
            3292, hexrun("8A268A0788068827464FEBF08BC25E5FC9C30000"), 32256)

# Rows whose runs lie well after the entry point, in files of modest length: a small program padded
# to one of these lengths carries both runs in the padding beyond its image (test fixtures use them).
PADDABLE = [(98304, 61440, 73728), (196608, 131072, 151552), (327680, 229376, 262144),
            (524288, 393216, 425984), (786432, 589824, 655360)]


def all_names():
    names = []
    for (form, vs), expected in zip(GROUPS, GROUP_SIZES):
        assert len(vs) == expected, form
        names += [form % v for v in vs]
    assert len(names) == DISTINCT_NAMES and len(set(names)) == DISTINCT_NAMES
    return names


def synthetic_offsets(rng, size, first_before_second):
    """Entry-point-relative offsets that stay within a file of this length, often negative."""
    reach = max(size // 2, 1024)
    while True:
        a = rng.between(-min(reach, -FIRST_MIN), min(reach, FIRST_MAX))
        b = rng.between(-min(reach, -SECOND_MIN), min(reach, SECOND_MAX))
        if rng.below(3) == 0:  # the two runs often sit close together
            b = a + rng.between(-4096, 4096)
        if not (FIRST_MIN <= a <= FIRST_MAX and SECOND_MIN <= b <= SECOND_MAX):
            continue
        if abs(a - b) < 20:
            continue
        if (a < b) == first_before_second:
            return a, b


def build():
    rng = Rng(0x7A52_1CE5_0F3B_9D41)
    names = all_names()
    fixed = {ROW_FIRST[0], ROW_SECOND[0], ROW_LAST[0]}

    # How many records each name gets: every name at least one, one name the full fourteen.
    counts = {n: 1 for n in names}
    for n in fixed:
        counts[n] = 0  # the fixed rows supply these names
    for n in fixed:
        counts[n] += 1
    counts[names[rng.below(len(names))]] = MAX_PER_NAME
    total = sum(counts.values())
    while total < RECORD_COUNT:
        n = names[rng.below(len(names))]
        if counts[n] < 6:
            counts[n] += 1
            total += 1
    # The fixed rows are written as they are; the synthetic rows carry the rest of each name's count.
    synthetic_names = []
    for n in names:
        k = counts[n] - (1 if n in fixed else 0)
        synthetic_names += [n] * k
    assert len(synthetic_names) == RECORD_COUNT - 3
    rng.shuffle(synthetic_names)

    # Which synthetic rows have the first run before the second (the three fixed rows all do).
    order_flags = [True] * (FIRST_BEFORE_SECOND - 3) + [False] * (RECORD_COUNT - FIRST_BEFORE_SECOND)
    rng.shuffle(order_flags)

    rows = []
    size_by_name = {}
    for i, name in enumerate(synthetic_names):
        flag = order_flags[i]
        if name in size_by_name and rng.below(3) == 0:
            size = size_by_name[name]  # a variant of the same file length with other runs
        else:
            size = rng.between(12, 28) * 512 if rng.below(2) else rng.between(MIN_SIZE, 600000)
        size_by_name.setdefault(name, size)
        first, second = synthetic_offsets(rng, size, flag)
        rows.append([name, first, rng.run(), second, rng.run(), size])

    # Pin the stated extremes on rows whose order flag fits them.
    def pin(flag_wanted, **fields):
        for row_index, row in enumerate(rows):
            if order_flags[row_index] == flag_wanted and not getattr(pin, "used", set()).__contains__(row_index):
                pin.used = getattr(pin, "used", set()) | {row_index}
                for key, value in fields.items():
                    row[{"first": 1, "second": 3, "size": 5}[key]] = value
                return
        raise SystemExit("no row to pin")

    pin(True, first=FIRST_MAX, second=SECOND_MAX, size=MAX_SIZE)
    pin(True, first=FIRST_MIN, second=SECOND_MIN, size=2400000)
    pin(True, first=-1800, second=1100, size=MIN_SIZE)
    for size, first, second in PADDABLE:
        pin(True, first=first, second=second, size=size)
    return [ROW_FIRST, ROW_SECOND] + [tuple(r) for r in rows] + [ROW_LAST]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "engine", "signatures.bin")
    rows = build()
    data = bytearray()
    for name, first, first_run, second, second_run, size in rows:
        assert len(first_run) == 20 and len(second_run) == 20
        data += RECORD.pack(name.encode("ascii"), first, first_run + b"\0", second, second_run + b"\0", size, 1)
    data += bytes(RECORD.size)
    assert len(data) == (RECORD_COUNT + 1) * RECORD.size
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
