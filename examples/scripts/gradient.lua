-- A 256 x 256 picture fading from deep blue at the top to orange at the bottom, lit by a white
-- glow from the left edge, saved as a KVI file.
local size = 256
pwCreateImage(0, size, size, RGB(20, 30, 120))
pwColorFade(0, 0, 0, 0, size - 1, size - 1, "TOP-BOTTOM", RGB(255, 140, 0))
-- RIGHT-LEFT keeps the picture at the right edge of the band and reaches white at its left.
pwColorFade(0, 0, 0, 0, size / 2, size - 1, "RIGHT-LEFT", RGB(255, 255, 255))
if pwSaveImage("gradient.kvi", 0) == 0 then
    pwInfo("Saved gradient.kvi, " .. pwGetImage_WIDTH(0) .. " x " .. pwGetImage_HEIGHT(0))
end
