<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="hu" sourcelanguage="en">
<context>
    <name>FaceMetrics</name>
    <message>
        <source>The face &quot;%1&quot; has bitmaps only and no outlines to write as SVG.</source>
        <translation>A(z) „%1” betűtípusnak csak bitképei vannak, SVG-be írható körvonalai nincsenek.</translation>
    </message>
    <message>
        <source>The face &quot;%1&quot; has no outline for U+%2 to write as SVG.</source>
        <translation>A(z) „%1” betűtípusban nincs SVG-be írható körvonal az U+%2 jelhez.</translation>
    </message>
    <message>
        <source>A glyph&apos;s outline cannot be read.</source>
        <translation>Egy betűjel körvonala nem olvasható.</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>PNG picture (*.png)</source>
        <translation>PNG-kép (*.png)</translation>
    </message>
    <message>
        <source>SVG picture (*.svg)</source>
        <translation>SVG-kép (*.svg)</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Betűtípus</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Szöveg</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Törlés</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Kivágás</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Másolás</translation>
    </message>
    <message>
        <source>Save as picture</source>
        <translation>Mentés képként</translation>
    </message>
    <message>
        <source>Copy as picture</source>
        <translation>Másolás képként</translation>
    </message>
    <message>
        <source>Save as picture…</source>
        <translation>Mentés képként…</translation>
    </message>
    <message>
        <source>Keyboard</source>
        <translation>Billentyűzet</translation>
    </message>
    <message>
        <source>&quot;%1&quot; already exists. Replace it?</source>
        <translation>„%1” már létezik. Lecseréli?</translation>
    </message>
    <message>
        <source>The picture could not be saved as &quot;%1&quot;: %2</source>
        <translation>A képet nem sikerült „%1” néven menteni: %2</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Visszavonás</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Újra</translation>
    </message>
    <message>
        <source>Open text…</source>
        <translation>Szöveg megnyitása…</translation>
    </message>
    <message>
        <source>Save text…</source>
        <translation>Szöveg mentése…</translation>
    </message>
    <message>
        <source>Restore last text</source>
        <translation>Legutóbbi szöveg visszaállítása</translation>
    </message>
    <message>
        <source>Text (*.txt);;All files (*)</source>
        <translation>Szöveg (*.txt);;Minden fájl (*)</translation>
    </message>
    <message>
        <source>Save text</source>
        <translation>Szöveg mentése</translation>
    </message>
    <message>
        <source>Open text</source>
        <translation>Szöveg megnyitása</translation>
    </message>
    <message>
        <source>The text cannot be kept in &quot;%1&quot;: %2. Typing goes on, but a later start will not be able to restore it.</source>
        <translation>A szöveg nem őrizhető meg itt: „%1”: %2. Írhat tovább, de egy későbbi indításkor nem lehet majd visszaállítani.</translation>
    </message>
    <message>
        <source>Keep text</source>
        <translation>Szöveg megőrzése</translation>
    </message>
    <message>
        <source>there is no such file</source>
        <translation>nincs ilyen fájl</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>nem közönséges fájl</translation>
    </message>
    <message>
        <source>it is larger than 16 MiB</source>
        <translation>nagyobb 16 MiB-nál</translation>
    </message>
    <message>
        <source>it cannot be read</source>
        <translation>nem olvasható</translation>
    </message>
    <message>
        <source>it holds a NUL character, as a binary file does</source>
        <translation>NUL karaktert tartalmaz, mint egy bináris fájl</translation>
    </message>
    <message>
        <source>it is not UTF-8 text</source>
        <translation>nem UTF-8 szöveg</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be opened: %2</source>
        <translation>„%1” nem nyitható meg: %2</translation>
    </message>
    <message>
        <source>The text could not be saved as &quot;%1&quot;: %2</source>
        <translation>A szöveget nem sikerült „%1” néven menteni: %2</translation>
    </message>
    <message>
        <source>it is no longer there</source>
        <translation>már nincs meg</translation>
    </message>
    <message>
        <source>it is damaged</source>
        <translation>sérült</translation>
    </message>
    <message>
        <source>A kept text could not be restored: %1.</source>
        <translation>Egy megőrzött szöveget nem sikerült visszaállítani: %1.</translation>
    </message>
</context>
<context>
    <name>TKeyboardChart</name>
    <message>
        <source>line break</source>
        <translation>sortörés</translation>
    </message>
    <message>
        <source>Deletes the character before the insertion point</source>
        <translation>Törli a beszúrási pont előtti jelet</translation>
    </message>
    <message>
        <source>Types nothing</source>
        <translation>Nem ír semmit</translation>
    </message>
    <message>
        <source>Keyboard</source>
        <translation>Billentyűzet</translation>
    </message>
</context>
<context>
    <name>TextPicture</name>
    <message>
        <source>no memory for a %1 x %2 picture</source>
        <translation>nincs elég memória egy %1 × %2 képpontos képhez</translation>
    </message>
    <message>
        <source>The picture cannot be made into PNG: %1</source>
        <translation>A képet nem lehet PNG formátumba alakítani: %1</translation>
    </message>
    <message>
        <source>larger than %1 pixels a side</source>
        <translation>oldalanként több mint %1 képpont</translation>
    </message>
    <message>
        <source>%1 x %2 pixels, more than %3 pixels in all</source>
        <translation>%1 × %2 képpont, összesen több mint %3 képpont</translation>
    </message>
    <message>
        <source>At scale %1 the picture would be %2.</source>
        <translation>Ekkora nagyítással (%1) a kép %2 lenne.</translation>
    </message>
    <message>
        <source>The text is too long for one picture: it would be %1.</source>
        <translation>A szöveg túl hosszú egyetlen képhez: %1 lenne.</translation>
    </message>
</context>
</TS>
