-- Puts a half-transparent "kv" mark into the lower right corner of a photo. The mark is drawn
-- on a magenta background that a colour key turns fully transparent.
local photo, mark, block = 0, 1, 2
local MAGENTA = RGB(255, 0, 255)

local function madeUpPhoto()
    pwCreateImage(photo, 400, 300, RGB(40, 90, 160))
    pwColorFade(photo, photo, 0, 0, 399, 299, "TOP-BOTTOM", RGB(230, 200, 150))
    pwVideoHind(photo, 12)   -- a little grain
    pwAntialias(photo, 2)
end

local name = pwGetImageFileName()
if name == 0 or pwImageFromFile(name, photo) ~= 0 then
    madeUpPhoto()
end

local glyphs = {
    "X..X.X...X",
    "X.X..X...X",
    "XX...X...X",
    "X.X...X.X.",
    "X..X...X..",
}
local cell = 6
pwCreateImage(mark, #glyphs[1] * cell, #glyphs * cell, MAGENTA)
pwCreateImage(block, cell, cell, RGB(255, 255, 255))
for row, line in ipairs(glyphs) do
    for col = 1, #line do
        if line:sub(col, col) == "X" then
            pwPutImage(mark, block, (col - 1) * cell, (row - 1) * cell, 255)
        end
    end
end
pwSetColorKey(mark, mark, MAGENTA, 0)

local w, h = pwGetImage_WIDTH(photo), pwGetImage_HEIGHT(photo)
local mw, mh = pwGetImage_WIDTH(mark), pwGetImage_HEIGHT(mark)
pwPutImage(photo, mark, w - mw - 8, h - mh - 8, 160)
if pwSaveImage("watermarked.tga", photo) == 0 then
    pwInfo("Saved watermarked.tga, " .. w .. " x " .. h)
end
