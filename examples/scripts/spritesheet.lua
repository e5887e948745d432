-- A sprite sheet of four frames of a falling ball on a magenta background. The colour key
-- makes the background transparent (saved as TGA, which keeps alpha); a preview shows the
-- frames over a sky.
local sheet, keyed, preview = 0, 1, 2
local FRAME, FRAMES, RADIUS = 32, 4, 7
local MAGENTA = RGB(255, 0, 255)
local OPAQUE = 4278190080          -- alpha 255 in the top byte

pwCreateImage(sheet, FRAME * FRAMES, FRAME, MAGENTA)
for f = 0, FRAMES - 1 do
    local cx, cy = FRAME / 2, RADIUS + 1 + f * 5
    for y = cy - RADIUS, cy + RADIUS do
        for x = cx - RADIUS, cx + RADIUS do
            local dx, dy = x - cx, y - cy
            if dx * dx + dy * dy <= RADIUS * RADIUS then
                local shade = 255 - 12 * (dx + dy + 2 * RADIUS) / 2
                pwPutPixel(sheet, f * FRAME + x, y, OPAQUE + RGB(shade, shade / 3, 40))
            end
        end
    end
end

pwSetColorKey(keyed, sheet, MAGENTA, 0)
pwSaveImage("sprites.tga", keyed)

pwCreateImage(preview, FRAME * FRAMES, FRAME, RGB(120, 180, 255))
pwPutImage(preview, keyed, 0, 0, 255)
if pwSaveImage("sprites-preview.bmp", preview) == 0 then
    pwInfo("Saved sprites.tga (" .. FRAMES .. " frames of " .. FRAME .. " x " .. FRAME ..
           ") and sprites-preview.bmp")
end
