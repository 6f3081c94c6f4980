"""Writes the seed corpus of every target: valid datagrams of every command, and
the texts the other readers take, in each target's input layout."""
import os
import shutil

here = os.path.dirname(os.path.abspath(__file__))
SEP = b"\0|"  # between the records of one input
SHARES = b"/tmp/quillmere-fuzz/"  # the shared files of the fuzzing world
KOREAN = "안녕하세요".encode("cp949")

datagrams = [
    b"@_&#;@_&F;WORKGROUP;PC01",
    b"@_&#;@_+B;mp3, *.txt",
    b"@_&#;@_+B;" + "음악".encode("cp949"),
    b"@_+G;a.txt;12;memo;C:\\share\\;PC01;10.0.0.5;;b.mp3;99;;/home/u/music/;PC01;10.0.0.5;123045067;#END_LIST#",
    b"@_+L;",
    b"@_+N;",
    b"@_+S;ME;FUZZ;" + SHARES + b"a.txt",
    b"@_+S;ME;FUZZ;" + SHARES + b"music/b.mp3",
    b"@_+O;",
    b"@_+V;",
    b"@_+M;",
    b"@_+I;C:\\share\\a.txt;1048576",
    b"@_+R;ME;" + SHARES + b"a.txt;3",
    b"@_+K;9270;C:\\share\\a.txt;1048576;",
    b"@_*J;PC01;10.0.0.5",
    b"@_*T;PC01;10.0.0.5",
    b"@_*C;PC01;10.0.0.5",
    b"@_*V;",
    b"@_*I;PC01;10.0.0.5;" + KOREAN,
    b"@_*X;",
]


def dispatch_record(datagram, sender=1):
    return bytes([sender, 0]) + datagram


seeds = {
    "fuzz_dispatch": [dispatch_record(d) for d in datagrams] + [
        # A chat asked for and cancelled; a chat accepted, spoken in and left.
        SEP.join(dispatch_record(d) for d in (b"@_*J;PC01;10.0.0.5", b"@_*V;")),
        SEP.join(dispatch_record(d) for d in (b"@_*T;PC01;10.0.0.5", b"@_*I;PC01;10.0.0.5;hi", b"@_*X;")),
        # Presence, then the list of the computer heard.
        SEP.join(dispatch_record(d) for d in (datagrams[0], datagrams[3])),
    ],
    # The last one ends in an unassigned pair, which the converter consumes before it reports it.
    "fuzz_getfield": [b"\x00\x03" + d for d in datagrams] + [b"\x00\x03;;;3\xff\xff_p\x01n\xa2\xe8"],
    "fuzz_listdatagram": [
        datagrams[3],
        b"@_+G;" + KOREAN + b".txt;5;" + KOREAN + b";D:\\" + KOREAN + b"\\;PC02;10.0.0.6;;#END_LIST#",
        b"@_+G;a;1;;/;PC01;10.0.0.5;;b;2;;/x/y/;PC01;10.0.0.5;;c;3;;\\\\srv\\s\\;PC01",
    ],
    "fuzz_password": [b"\x01123045067", b"\x01abc", b"\x00" + KOREAN, b"\x01999000-12"],
    "fuzz_searchterms": [
        b"mp3, *.txt\0Song.MP3",
        b"so?g.*;ab\0song.mp3",
        "노래".encode("cp949") + b"\0" + "새노래.mp3".encode("cp949"),
    ],
    "fuzz_profilefile": [
        b"[SHAREFILE]\n0=;a.txt;;memo;F\n1=;music;123045067;;D\n",
        b"; settings\r\n[Other]\r\nx = 1\r\n\r\n[sharefile]\r\n0=;a.txt;;;F\r\n\r\n[Last]\r\n",
        b"value\n[SHAREFILE]\n0=;missing.txt;;;F\n",
    ],
    "fuzz_transferclient": [
        SEP.join([b"C:\\share\\", b"a.txt", b"\x00\x00@_+I;C:\\share\\a.txt;1048576",
                  b"\x00\x00@_+K;9270;C:\\share\\a.txt;1048576;"]),
        SEP.join([b"/home/u/music/", KOREAN + b".mp3", b"\x01\x00@_+K;9270;/home/u/music/x;5;",
                  b"\x00\x00@_+O;", b"\x00\x7e", b"\x00\x00@_+M;", b"\x00\x7f", b"\x00\x7e"]),
        SEP.join([b"..\\..\\", b"..", b"\x00\x00@_+V;"]),
    ],
}

for target, inputs in seeds.items():
    folder = os.path.join(here, "corpus", target)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for i, data in enumerate(inputs):
        with open(os.path.join(folder, "seed%02d" % i), "wb") as f:
            f.write(data)
