"""Writes the seed corpus: one valid datagram of every command, for each target."""
import os

here = os.path.dirname(os.path.abspath(__file__))
datagrams = [
    b"@_&#;@_&F;WORKGROUP;PC01",
    b"@_&#;@_+B;mp3, *.txt",
    b"@_+G;a.txt;12;memo;C:\\share\\;PC01;10.0.0.5;;b.mp3;99;;/home/u/music/;PC01;10.0.0.5;123045067;#END_LIST#",
    b"@_+L;",
    b"@_+N;",
    b"@_+S;ME;PC01;C:\\share\\a.txt",
    b"@_+O;",
    b"@_+V;",
    b"@_+M;",
    b"@_+I;C:\\share\\a.txt;1048576",
    b"@_+R;ME;C:\\share\\a.txt;300000",
    b"@_+K;9270;C:\\share\\a.txt;1048576;",
    b"@_*J;PC01;10.0.0.5",
    b"@_*T;PC01;10.0.0.5",
    b"@_*C;PC01;10.0.0.5",
    b"@_*V;",
    b"@_*I;PC01;10.0.0.5;\xbe\xc8\xb3\xe7\xc7\xcf\xbc\xbc\xbf\xe4",
    b"@_*X;",
]
for target, prefix in (("fuzz_dispatch", b"\x01\x00"), ("fuzz_getfield", b"\x00\x03")):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for i, d in enumerate(datagrams):
        with open(os.path.join(folder, "seed%02d" % i), "wb") as f:
            f.write(prefix + d)
