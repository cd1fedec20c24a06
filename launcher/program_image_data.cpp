// The program image, embedded whole in the executable's writable data
// section. The file is the one the native build's image_build writes.
#ifndef TESSALY_PROGRAM_IMAGE_FILE
#error "TESSALY_PROGRAM_IMAGE_FILE names the program image to embed"
#endif

asm(".section .data\n"
    ".balign 16\n"
    ".globl tessaly_program_image\n"
    "tessaly_program_image:\n"
    ".incbin \"" TESSALY_PROGRAM_IMAGE_FILE
    "\"\n"
    ".text\n");
