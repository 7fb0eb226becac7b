// What a JPEG file's markers say before its pixels: here, how many colour
// components (inks) its frame has: 1 grey, 3 colour, 4 CMYK or YCCK. The matting
// module has told that the file is a JPEG.

// The frame's component count, or 0 where the markers end or cannot be read
// before the frame. read(start, end) answers those bytes of the file, or null.
export async function jpegInks(read) {
  for (let at = 2; ;) {
    const marker = await read(at, at + 10);
    if (!marker || marker.length < 4 || marker[0] !== 0xff) return 0;
    const type = marker[1];
    // Fill bytes before a marker.
    if (type === 0xff) {
      at += 1;
      continue;
    }
    // Start of frame, any coding but the table and arithmetic-conditioning markers.
    if (type >= 0xc0 && type <= 0xcf && type !== 0xc4 && type !== 0xc8 && type !== 0xcc) {
      return marker.length >= 10 ? marker[9] : 0;
    }
    // The pixels start, or the file ends, before any frame.
    if (type === 0xda || type === 0xd9) return 0;
    at += 2 + ((marker[2] << 8) | marker[3]);
  }
}
