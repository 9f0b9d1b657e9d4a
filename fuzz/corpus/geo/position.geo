[Positionsdatei]
[Version]
1
[Messmodus]
Linie
[Beschreibung]
<ID>Alle
Hallo Welt
<>abc
[Positionen]
9.500000000 52.250000000 0
9.6 52.3 0
abc 52.1 0
