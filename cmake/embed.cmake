# cmake -DINPUT=file -DOUTPUT=file.inc -P embed.cmake: writes the bytes of INPUT as a C array body.
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" body "${body}")
file(WRITE ${OUTPUT} "${body}\n")
