/* Resource identifiers shared by the resource script and the program. Plain C
   so windres can read it. */
#ifndef SHUTTERLING_RES_H
#define SHUTTERLING_RES_H

#define IDI_SHUTTERLING 1 /* application icon: 16 and 32 px, 4 and 8 bpp */
#define IDI_DISABLED 2    /* blocking switched off: 16 px, 8 bpp */
#define IDCUR_HAND 3      /* pointing hand over links: 32 px, 1 bpp, hot spot 7,1 */

#endif
